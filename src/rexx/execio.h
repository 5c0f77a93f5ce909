// EXECIO, the one subcommand of the ORKAN environment: lines of a file or of the clipboard into a
// stem (DISKR, CLIPR) and a stem's lines out to them (DISKW, CLIPW).
//
//     EXECIO * DISKR data.txt (STEM LINES.     -> LINES.1 ... LINES.n, LINES.0 = n
//     EXECIO * CLIPW (STEM OUT.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace orkan {

// The running program's variables, by symbolic name (LINES.1 is the tail 1 of the stem LINES.).
class RexxVariables {
  public:
    virtual ~RexxVariables() = default;
    [[nodiscard]] virtual bool Set(std::string_view name, std::string_view value) = 0;
    // The value, or the name itself for a variable never set (as REXX reads it); nothing for a
    // name that is not a variable name.
    virtual std::optional<std::string> Fetch(std::string_view name) = 0;
    [[nodiscard]] virtual bool Drop(std::string_view name) = 0;
};

// What EXECIO reaches besides the variables. Texts are display bytes.
struct ExecioPlace {
    std::string folder;  // where relative file names are taken
    // The clipboard's text with CR LF line ends; nothing when it cannot be read (already said).
    std::function<std::optional<std::string>()> read_clipboard;
    std::function<void(const std::string&)> write_clipboard;
};

// The most CLIPW puts on the clipboard at once.
inline constexpr size_t kClipboardBuffer = 1'024'000;

// Runs EXECIO with the text after its first word. 0, or a REXX error number (rexx_errors.h).
[[nodiscard]] int RunExecio(std::string_view arguments, RexxVariables& variables, const ExecioPlace& place);

}  // namespace orkan
