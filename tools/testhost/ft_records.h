// Host files as records, and the conversions between records and the byte stream a transfer
// carries: ASCII through the transfer program's table, CR LF between records, fixed records
// padded.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "codec.h"
#include "ft_command.h"

namespace testhost::ft {

struct HostFile {
    char recfm = 'V';      // 'F', 'V' or 'U'
    bool blocked = false;  // FB, VB
    int lrecl = 255;
    int blksize = 0;
    Bytes data;                // the records back to back
    std::vector<size_t> ends;  // where each record ends in `data`

    size_t records() const { return ends.size(); }
    size_t RecordStart(size_t i) const { return i == 0 ? 0 : ends[i - 1]; }
    void Add(const uint8_t* record, size_t size);
    // "FB", "V", "U".
    std::string RecfmText() const;
};

// The longest record a file takes. A TSO variable LRECL counts the 4-byte descriptor word.
size_t MaxRecordLength(const HostFile& file, Personality personality);

// A new file's attributes from the command's options and the personality's defaults. False
// with the host's message for options that do not fit together.
[[nodiscard]] bool NewFileFor(const TransferCommand& cmd, HostFile& out, std::string& message);

// Adds an upload's bytes to `file` as records. With CRLF, CR LF ends a record (a last record
// without one still counts); otherwise the bytes are cut at the longest record. ASCII converts
// every byte (a final 0x1A is dropped); fixed records are padded with blanks (ASCII) or zeros.
// `fit_lrecl` lets a variable file take records up to 65535 and sets its LRECL to its longest
// record (CMS). False with the host's
// message when a record does not fit; `file` is then unchanged.
[[nodiscard]] bool AppendUpload(const Bytes& wire, const TransferCommand& cmd, Personality personality,
                                bool fit_lrecl, HostFile& file, std::string& message);

// The byte stream of a download: ASCII converts every byte and drops a fixed record's trailing
// blanks when CRLF ends each record; `eof_mark` adds 0x1A to an ASCII download.
Bytes DownloadBytes(const HostFile& file, const TransferCommand& cmd, bool eof_mark);

}  // namespace testhost::ft
