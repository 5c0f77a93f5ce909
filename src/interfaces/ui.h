// Message boxes, the one way the core talks to the user. The desktop program shows them with Qt,
// the headless program prints them to stderr and answers with the safest choice, tests record them.
// The same interface carries the desktop clipboard and the two small modal choices of the editing
// functions (the find dialog, the editing context menu).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orkan {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class Icon { None, Information, Warning, Error, Question };
enum class Answer { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

// Title and text are display bytes (Windows-1252), exactly as the messages are written; line breaks
// inside the text are "\n".
struct MessageBox {
    std::string title;
    std::string text;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
};

// What the find dialog shows and what the user chose. Texts are display bytes.
struct FindDialogRequest {
    std::vector<std::string> history;  // most recent first
    uint8_t options = 0;               // find option bits
};
struct FindDialogAnswer {
    bool ok = false;  // OK, else Cancel
    std::string text;
    uint8_t options = 0;
};

// One line of a popup menu: a label with the key function it runs, or a separator.
// The macro language's EDITBOX. Texts are display bytes.
struct EditBoxRequest {
    std::string title;
    std::string prompt;
    char echo = 0;             // shown for each character of hidden input; 0 shows the text
    int max_length = 50;       // characters, at most 255
    int width = 150;           // of the entry field, in dialog units
    std::string initial_text;  // what the field holds when the box opens
};

enum class DebugWindowAction { Open, Close, Clear, Hide };

struct MenuItem {
    std::string label;  // empty for a separator
    uint16_t code = 0;
    bool enabled = true;
};

// A file dialog's question. Names are UTF-8 paths (Linux file names); patterns such as "*.ses" match
// without regard to case.
struct FileDialogRequest {
    enum class Purpose : uint8_t { Open, Save };
    Purpose purpose = Purpose::Open;
    std::string title;
    std::string folder;     // where the dialog starts
    std::string file_name;  // proposed name (Save)
    struct Filter {
        std::string label;                  // "Session files"
        std::vector<std::string> patterns;  // "*.ses"
    };
    std::vector<Filter> filters;
    // Save Screen Ask: an "append" choice beside the name, preset from and written back to here.
    bool* append = nullptr;
};

// "Record a Macro": the file to write, a description for its header, and the language.
struct RecordMacroRequest {
    std::string folder;  // the macros folder, where the dialog starts
    bool rexx = false;   // "Record Macros in Rexx" as last chosen
};

struct RecordMacroAnswer {
    std::string file;  // UTF-8 path; a name without a folder belongs in the macros folder
    std::string description;
    bool rexx = false;
};

// The print dialog (Print Screen Ask): it opens on `printer` and gives back the printer chosen.
// Texts are UTF-8 here: printer names are CUPS queue names or file paths.
struct PrintDialogRequest {
    std::string printer;  // a CUPS queue, "<default>", or a file ending in ".pdf" or ".txt"
    std::string document;
    bool landscape = false;
};
struct PrintDialogAnswer {
    std::string printer;     // a queue, or a file path ending in ".pdf"
    double paper_width = 0;  // portrait, in points; 0: the system's paper
    double paper_height = 0;
    bool landscape = false;  // the dialog's orientation, used where the profile leaves it to the printer
    int copies = 1;
};

class Ui {
  public:
    virtual ~Ui() = default;
    virtual Answer ShowMessage(const MessageBox& box) = 0;

    // The desktop clipboard as text: UTF-8 with LF line ends. Without a window system the clipboard
    // is process-local, which is what this default keeps.
    virtual std::string ClipboardText() const { return local_clipboard_; }
    virtual void SetClipboardText(std::string_view utf8) { local_clipboard_ = std::string(utf8); }

    // The find dialog; nothing where there is no window to show it in.
    virtual std::optional<FindDialogAnswer> AskFind(const FindDialogRequest&) { return std::nullopt; }
    // A popup menu at the mouse pointer: the code of the item chosen, nothing when dismissed or
    // when there is no window.
    virtual std::optional<uint16_t> ChooseFromMenu(const std::vector<MenuItem>&) { return std::nullopt; }
    // A file dialog: the path chosen, nothing when cancelled or when there is no window to ask in
    // (the caller then says that the name must be given another way).
    virtual std::optional<std::string> AskFileName(const FileDialogRequest&) { return std::nullopt; }
    // Whether this Ui can show dialogs at all (the headless program's cannot).
    virtual bool CanAsk() const { return false; }

    // A macro's EDITBOX: the text entered, nothing for Cancel. Without a window there is nobody to
    // ask, which is a Cancel.
    virtual std::optional<std::string> AskEditBox(const EditBoxRequest&) { return std::nullopt; }
    // The session's macro debug window (macro DEBUG output, statement tracing, REXX output): a line
    // added (the window created and shown when needed), and the window's own actions.
    virtual void AddDebugLine(std::string_view display_text) { (void)display_text; }
    virtual void ControlDebugWindow(DebugWindowAction) {}
    // "Record a Macro": nothing when cancelled or when there is no window to ask in.
    virtual std::optional<RecordMacroAnswer> AskRecordMacro(const RecordMacroRequest&) {
        return std::nullopt;
    }
    // The print dialog: the printer chosen, nothing when cancelled or when there is no window.
    virtual std::optional<PrintDialogAnswer> AskPrinter(const PrintDialogRequest&) { return std::nullopt; }

  private:
    std::string local_clipboard_;
};

// The answer that loses nothing and retries nothing: what an unattended session must choose.
constexpr Answer SafestAnswer(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::OkCancel:
            return Answer::Cancel;
        case Buttons::YesNo:
            return Answer::No;
        case Buttons::YesNoCancel:
            return Answer::Cancel;
        case Buttons::RetryCancel:
            return Answer::Cancel;
        case Buttons::AbortRetryIgnore:
            return Answer::Abort;
    }
    return Answer::Cancel;
}

}  // namespace orkan
