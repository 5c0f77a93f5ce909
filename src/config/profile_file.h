// Initialisation files (orkan.ini, files.ini): sections and keys, compared without regard to case,
// the first match winning, a missing key giving the caller's default. A write changes only the line
// of its key (or adds one) and keeps every other line, comment and section byte for byte.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/atomic_file.h"

namespace orkan {

// Larger files are refused rather than half read: a settings file is a few kilobytes, and the
// longest legitimate line (a host list of 1000 certificate paths) is about 260 KB.
inline constexpr size_t kProfileFileLimit = size_t(16) << 20;
inline constexpr size_t kProfileLineLimit = size_t(1) << 20;

class ProfileText {
  public:
    static ProfileText Parse(std::string_view bytes);

    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    std::string GetString(std::string_view section, std::string_view key, std::string_view def) const;
    // A decimal integer with optional sign; trailing text is ignored, a value without digits gives
    // the default. Values beyond the int range are held at its ends.
    int GetInt(std::string_view section, std::string_view key, int def) const;
    // Key names of the first section of that name, in file order.
    std::vector<std::string> Keys(std::string_view section) const;

    // Lines that are neither text nor settings (longer than kProfileLineLimit, or holding NUL
    // bytes): they are ignored when reading and written back unchanged.
    bool HasIgnoredLines() const { return ignored_lines_ > 0; }
    bool SectionHasIgnoredLines(std::string_view section) const;

    // Sets (or with no value removes) one key. False when the section, key or value cannot be
    // written as one line of an ini file; nothing is changed then.
    [[nodiscard]] bool Set(std::string_view section, std::string_view key,
                           std::optional<std::string_view> value);

    std::string Serialize() const;

  private:
    enum class Kind { Other, Section, Key, Ignored };
    struct Line {
        std::string text;  // without the line end
        std::string eol;   // "\r\n", "\n" or "" on an unterminated last line
        Kind kind = Kind::Other;
        std::string name;      // section or key name, trimmed
        size_t value_pos = 0;  // key lines: where the value starts in text
    };
    static Line ParseLine(std::string text, std::string eol, bool first);
    // Index of the first section header with that name, or npos.
    size_t FindSection(std::string_view section) const;
    size_t SectionEnd(size_t header) const;  // first line after the section
    std::string ValueOf(const Line& line) const;

    std::vector<Line> lines_;
    std::string eol_ = "\n";  // line end for lines we add: the file's own
    size_t ignored_lines_ = 0;
};

struct ProfileLoad {
    ReadResult result = ReadResult::Missing;
    int error = 0;
    ProfileText text;
};

// A missing file reads as an empty one (every key at its default); `result` tells the caller.
ProfileLoad LoadProfile(const std::string& path);

struct ProfileChange {
    std::string section;
    std::string key;
    std::optional<std::string> value;  // none removes the key
};

// Re-reads the file under its lock, applies the changes and replaces it. Returns 0 or an errno
// value (EINVAL when a change cannot be written, EFBIG when the file is too large to rewrite).
// A file that cannot be read is never replaced.
[[nodiscard]] int WriteProfileStrings(const std::string& path, std::span<const ProfileChange> changes);
[[nodiscard]] int WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                                     std::optional<std::string_view> value);
// Re-reads the file under its lock and lets `edit` change it, for changes that depend on what the
// file holds now. `edit` returns 0, or an errno value to leave the file as it is; it must not wait
// for the user, as every other session's write waits for the lock. Returns 0 or an errno value.
[[nodiscard]] int UpdateProfile(const std::string& path, const std::function<int(ProfileText&)>& edit);

// Case-insensitive ASCII comparison, as ini names and file extensions are compared.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace orkan
