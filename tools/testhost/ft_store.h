// The host files of one personality, seeded from a folder and, when asked, written back to it.
//
// A folder holds catalog.txt, one line per file: NAME RECFM LRECL [BLKSIZE] [PO]. NAME is the
// TSO data set name, the CMS file as FN.FT.FM, or the CICS queue name. The records are in
// NAME.txt (UTF-8 text, one record per line, through the host code page; fixed records are
// padded with blanks) or NAME.bin (host bytes: fixed records back to back, other records each
// after a 4-byte big-endian length). A partitioned data set (PO) is a folder NAME holding
// MEMBER.txt or MEMBER.bin. A file without data holds no records.
#pragma once

#include <map>
#include <string>

#include "codec.h"
#include "ft_command.h"
#include "ft_records.h"

namespace testhost::ft {

struct DataSet {
    HostFile file;  // a sequential file, or a partitioned data set's attributes
    bool partitioned = false;
    std::map<std::string, HostFile> members;
};

class FileStore {
  public:
    FileStore(Personality personality, const Codec& codec);

    // Reads a folder. A missing folder is an empty store.
    [[nodiscard]] bool Load(const std::string& folder, std::string& error);
    // From now on every stored file is also written to this folder (created when missing).
    void WriteBackTo(const std::string& folder) { write_back_ = folder; }
    const std::string& write_back() const { return write_back_; }

    Personality personality() const { return personality_; }
    const std::map<std::string, DataSet>& entries() const { return entries_; }
    // The stored name a name stands for, or "" when there is none. A CMS file mode without
    // its number ("FN FT A") finds the lowest number there.
    std::string Resolve(const std::string& name) const;
    DataSet* Find(const std::string& name);

    // Writes every file and the catalog to the write-back folder.
    [[nodiscard]] bool SaveAll(std::string& error) const;
    // Stores a sequential file or a member (the data set must then be partitioned) and writes
    // it back. False with a reason when the data cannot be written (the store then keeps the
    // file it had) or the catalog cannot (the store then holds the new file).
    [[nodiscard]] bool Store(const std::string& name, const std::string& member, HostFile file,
                             std::string& error);
    // Adds an empty partitioned data set (for tests and seeds).
    void AddPartitioned(const std::string& name, const HostFile& attributes);

    // The file name on disk: CMS "FN FT FM" becomes FN.FT.FM.
    std::string DiskName(const std::string& name) const;

  private:
    [[nodiscard]] bool LoadRecords(const std::string& base, HostFile& file, std::string& error) const;
    [[nodiscard]] bool WriteRecords(const std::string& base, const HostFile& file, std::string& error) const;
    [[nodiscard]] bool WriteCatalog(std::string& error) const;
    bool TextSafe(const HostFile& file) const;

    Personality personality_;
    const Codec& codec_;
    std::map<std::string, DataSet> entries_;
    std::string write_back_;
    bool text_safe_[256] = {};
};

}  // namespace testhost::ft
