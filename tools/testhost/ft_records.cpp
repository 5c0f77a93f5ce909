#include "ft_records.h"

#include <algorithm>
#include <cstring>

#include "ft_messages.h"
#include "ft_tables.h"

namespace testhost::ft {

void HostFile::Add(const uint8_t* record, size_t size) {
    data.insert(data.end(), record, record + size);
    ends.push_back(data.size());
}

std::string HostFile::RecfmText() const {
    return std::string(1, recfm) + (blocked ? "B" : "");
}

size_t MaxRecordLength(const HostFile& file, Personality personality) {
    switch (file.recfm) {
        case 'F':
            return static_cast<size_t>(file.lrecl);
        case 'U':
            return static_cast<size_t>(file.blksize > 0 ? file.blksize : file.lrecl);
        default:
            if (personality == Personality::Tso)
                return file.lrecl > 4 ? static_cast<size_t>(file.lrecl - 4) : 1;
            return static_cast<size_t>(file.lrecl);
    }
}

bool NewFileFor(const TransferCommand& cmd, HostFile& out, std::string& message) {
    out = HostFile{};
    switch (cmd.personality) {
        case Personality::Tso:
            out.recfm = cmd.recfm ? cmd.recfm : cmd.ascii ? 'V' : 'U';
            out.blocked = cmd.recfm ? cmd.blocked : out.recfm == 'V';
            out.lrecl = cmd.lrecl ? cmd.lrecl : out.recfm == 'F' ? 80 : out.recfm == 'V' ? 255 : 0;
            out.blksize = cmd.blksize        ? cmd.blksize
                          : out.recfm == 'U' ? 6144
                          : out.recfm == 'V' ? 27998
                          : out.blocked      ? out.lrecl * std::max(1, 27920 / out.lrecl)
                                             : out.lrecl;
            if (out.recfm == 'V' && out.lrecl < 5) {
                message = Message(Msg::BadOption,
                                  "LRECL(" + std::to_string(out.lrecl) + ") is too small for RECFM(V)");
                return false;
            }
            if (out.recfm == 'U' && cmd.lrecl && !cmd.blksize) out.blksize = cmd.lrecl;
            if (out.recfm == 'F' && out.blocked && out.blksize % out.lrecl != 0) {
                message = Message(Msg::BadOption, "BLKSIZE(" + std::to_string(out.blksize) +
                                                      ") is not a multiple of LRECL(" +
                                                      std::to_string(out.lrecl) + ")");
                return false;
            }
            break;
        case Personality::Cms:
            out.recfm = cmd.recfm ? cmd.recfm : 'V';
            out.lrecl = cmd.lrecl ? cmd.lrecl : out.recfm == 'F' ? 80 : 65535;
            break;
        case Personality::Cics:
            out.recfm = cmd.recfm ? cmd.recfm : 'V';
            out.lrecl = cmd.lrecl ? cmd.lrecl : out.recfm == 'F' ? 80 : 32763;
            break;
    }
    return true;
}

bool AppendUpload(const Bytes& wire, const TransferCommand& cmd, Personality personality, bool fit_lrecl,
                  HostFile& file, std::string& message) {
    // A CMS variable file without a given LRECL takes records up to 65535 and grows to fit.
    const bool fit = fit_lrecl && file.recfm == 'V';
    const size_t max = fit ? 65535 : MaxRecordLength(file, personality);
    size_t size = wire.size();
    if (cmd.ascii && size > 0 && wire[size - 1] == 0x1A) --size;
    const uint8_t pad = cmd.ascii ? 0x40 : 0x00;
    HostFile out = file;
    out.data.reserve(file.data.size() + size +
                     (file.recfm == 'F' ? size / std::max<size_t>(max, 1) * max + max : 0));
    size_t longest = 0;
    auto add = [&](const uint8_t* p, size_t n) {
        if (n > max) {
            message = Message(Msg::RecordTooLong,
                              "Record " + std::to_string(out.records() - file.records() + 1) + " is " +
                                  std::to_string(n) + " bytes, longer than LRECL allows (" +
                                  std::to_string(max) + ")");
            return false;
        }
        const size_t at = out.data.size();
        out.data.insert(out.data.end(), p, p + n);
        if (cmd.ascii)
            for (size_t k = at; k < out.data.size(); ++k) out.data[k] = kAsciiToHost[out.data[k]];
        if (file.recfm == 'F') out.data.resize(at + max, pad);
        longest = std::max(longest, n);
        out.ends.push_back(out.data.size());
        return true;
    };
    const uint8_t* p = wire.data();
    if (cmd.crlf) {
        size_t start = 0;
        while (start < size) {
            const uint8_t* hit = nullptr;
            for (size_t from = start; from + 1 < size;) {
                const void* cr = std::memchr(p + from, 0x0D, size - from - 1);
                if (!cr) break;
                const size_t at = static_cast<size_t>(static_cast<const uint8_t*>(cr) - p);
                if (p[at + 1] == 0x0A) {
                    hit = p + at;
                    break;
                }
                from = at + 1;
            }
            const size_t end = hit ? static_cast<size_t>(hit - p) : size;
            if (!add(p + start, end - start)) return false;
            start = hit ? end + 2 : size;
        }
    } else {
        for (size_t start = 0; start < size; start += max)
            if (!add(p + start, std::min(max, size - start))) return false;
    }
    if (fit)
        out.lrecl =
            static_cast<int>(std::max<size_t>(longest, file.records() ? static_cast<size_t>(file.lrecl) : 1));
    file = std::move(out);
    return true;
}

Bytes DownloadBytes(const HostFile& file, const TransferCommand& cmd, bool eof_mark) {
    Bytes out;
    out.reserve(file.data.size() + (cmd.crlf ? 2 * file.records() : 0) + 1);
    const bool strip = cmd.ascii && cmd.crlf && file.recfm == 'F';
    for (size_t i = 0; i < file.records(); ++i) {
        size_t start = file.RecordStart(i), end = file.ends[i];
        if (strip)
            while (end > start && file.data[end - 1] == 0x40) --end;
        const size_t at = out.size();
        out.insert(out.end(), file.data.begin() + static_cast<std::ptrdiff_t>(start),
                   file.data.begin() + static_cast<std::ptrdiff_t>(end));
        if (cmd.ascii)
            for (size_t k = at; k < out.size(); ++k) out[k] = kHostToAscii[out[k]];
        if (cmd.crlf) out.insert(out.end(), {0x0D, 0x0A});
    }
    if (eof_mark && cmd.ascii) out.push_back(0x1A);
    return out;
}

}  // namespace testhost::ft
