#include "record/macro_recorder.h"
#include "keyboard/keyboard_state.h"

#include <cerrno>
#include <ctime>
#include <filesystem>

#include "capture/capture_messages.h"
#include "charset/display_unicode.h"
#include "config/atomic_file.h"
#include "config/data_file.h"
#include "keyboard/key_functions.h"
#include "macro/macro_runner.h"
#include "platform/file_io.h"
#include "session/session.h"

namespace orkan {

namespace {

constexpr std::string_view kTitle = "Orkan TN3270";

// Text from outside (UTF-8) as the recording holds it; nothing when a character has no form there.
std::optional<std::string> DisplayForm(std::string_view utf8) {
    DisplayText converted = Utf8ToDisplay(utf8);
    if (!converted.failures.empty()) return std::nullopt;
    return std::move(converted.text);
}

}  // namespace

std::string RecordingFileBytes(const std::string& display_text) {
    std::string out;
    out.reserve(display_text.size());
    for (char c : display_text) {
        if (uint8_t(c) < 0x80) {
            out += c;
        } else {
            AppendUtf8(out, DisplayToUnicode(uint8_t(c)));
        }
    }
    return out;
}

MacroRecorder::MacroRecorder(Session& session, MacroRunner& runner) : s_(session), runner_(runner) {
    s_.hooks.recorder = this;
}

MacroRecorder::~MacroRecorder() {
    if (s_.hooks.recorder == this) s_.hooks.recorder = nullptr;
    // A session that closes while recording keeps what was recorded.
    SaveBeforeClosing();
}

void MacroRecorder::Record() {
    if (runner_.Recording()) {
        if (runner_.state() == MacroState::Paused) runner_.TogglePause();
        return;
    }
    if (runner_.Active() || runner_.WaitingMacros() > 0 || OtherMacroRuns()) {
        const std::string name =
            runner_.Active() ? runner_.RunningMacroName() : s_.hooks.macros->RunningMacroName();
        s_.ui.ShowMessage({std::string(kTitle),
                           "A macro cannot be recorded while the macro '" + name + "' runs.", Buttons::Ok,
                           Icon::Information});
        return;
    }
    const std::optional<RecordMacroAnswer> answer = s_.ui.AskRecordMacro({s_.folders.macros, rexx_});
    if (!answer) {
        if (!s_.ui.CanAsk())
            s_.ui.ShowMessage(
                {std::string(kTitle),
                 "\"Record a Macro\" asks for a file name, which this program cannot do: record "
                 "macros in the desktop program (orkan3270-desktop).",
                 Buttons::Ok, Icon::Information});
        return;
    }
    (void)Start(*answer);
}

bool MacroRecorder::Start(const RecordMacroAnswer& answer) {
    if (answer.file.empty()) {
        s_.ui.ShowMessage(
            {"Record a Macro", "A file name for the macro must be given.", Buttons::Ok, Icon::Warning});
        return false;
    }
    const std::string path = DataFilePath(answer.file, s_.folders.macros, "mac");
    const std::optional<std::string> description = DisplayForm(answer.description);
    if (!description) {
        s_.ui.ShowMessage({"Record a Macro",
                           "The description holds a character that a macro cannot hold (Windows-1252 only).",
                           Buttons::Ok, Icon::Warning});
        return false;
    }
    // The file's name only stands in the header comment, for an empty description: a character
    // the macro cannot hold is a "?" there, and the file keeps its name.
    const std::string file_name = Utf8ToDisplay(std::filesystem::path(path).filename().string()).text;
    if (OtherMacroRuns() || !runner_.BeginRecording()) {
        s_.ui.ShowMessage({std::string(kTitle), "A macro cannot be recorded while another macro runs.",
                           Buttons::Ok, Icon::Information});
        return false;
    }
    const std::tm now = s_.wall_clock->LocalNow();
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &now);
    RecordingHeader header;
    header.language = answer.rexx ? RecordLanguage::Rexx : RecordLanguage::Own;
    header.description = *description;
    header.file_name = file_name;
    header.date_time = stamp;
    header.wait_seconds = s_.settings.RecordWait;
    text_.emplace(header);
    path_ = path;
    rexx_ = answer.rexx;
    unlocks_seen_ = s_.ds.unlock_counter;
    return true;
}

int MacroRecorder::WriteFile() const {
    // The replacement would write where a link at the name points (right for settings files that
    // are managed links); a recording's name is the user's choice or a default, and a link there
    // is refused.
    if (const int error = RefuseSymbolicLink(path_)) return error;
    const std::string bytes = RecordingFileBytes(text_->text());
    return ReplaceFileContents(path_,
                               std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

bool MacroRecorder::Stop() {
    if (!text_) return false;
    // Unlocks after the last key are the host's answer to it: the macro waits for it too. A
    // second Stop after a failed save finds them taken.
    text_->Finish(TakeHostUnlocks(), CellAt(s_.ps.cursor_address));
    for (;;) {
        const int error = WriteFile();
        if (error == 0) break;
        MessageBox box = capture_msg::SaveError(error, path_);
        if (!s_.ui.CanAsk()) {
            box.text += "\n\nThe recording goes on: stop it again to save it.";
            s_.ui.ShowMessage(box);
            return false;
        }
        // A name that can never be written (a read-only medium, a link at the name) must not hold
        // the recording hostage: another one is asked for at once.
        box.text +=
            "\n\nChoose another name for the recording. Without one the recording goes on: stop "
            "it again to save it.";
        s_.ui.ShowMessage(box);
        FileDialogRequest request;
        request.purpose = FileDialogRequest::Purpose::Save;
        request.title = "Save the Recording";
        request.folder = s_.folders.macros;
        request.file_name = std::filesystem::path(path_).filename().string();
        request.filters = {{"Macro files", {"*.mac"}}};
        const std::optional<std::string> chosen = s_.ui.AskFileName(request);
        if (!chosen || chosen->empty()) return false;
        path_ = *chosen;  // the file the dialog asked about, as it stands
    }
    Saved();
    return true;
}

void MacroRecorder::SaveBeforeClosing() {
    if (!text_) return;
    text_->Finish(TakeHostUnlocks(), CellAt(s_.ps.cursor_address));
    const int error = WriteFile();
    if (error == 0) {
        Saved();
        return;
    }
    // Nobody is left to give another name: the recording goes into the macros folder under a name
    // nothing holds yet, and the message says where.
    const std::string failed = path_;
    std::string stem = std::filesystem::path(path_).stem().string();
    if (stem.empty() || stem.front() == '.') stem = "recording";
    const std::string bytes = RecordingFileBytes(text_->text());
    int fallback_error = 0;
    for (int n = 1; n <= 100; ++n) {
        // ".mac" always: a stem such as "locked.ext" must not become an event macro.
        path_ = (std::filesystem::path(s_.folders.macros) /
                 ((n == 1 ? stem : stem + "-" + std::to_string(n)) + ".mac"))
                    .string();
        fallback_error = SaveDataFile(path_, DataWrite::CreateNew, [&](bool) { return bytes; });
        if (fallback_error != EEXIST) break;
    }
    MessageBox box = capture_msg::SaveError(error, failed);
    if (fallback_error == 0) {
        box.text += "\n\nThe recording was saved as " + capture_msg::Shown(path_) + " instead.";
    } else {
        box.text += "\n\nSaving it in the macros folder failed too (" +
                    capture_msg::Shown(FileErrorText(fallback_error)) + "): the recording is lost.";
    }
    s_.ui.ShowMessage(box);
    End();
}

void MacroRecorder::Saved() {
    const int statements = text_->statements();
    End();
    s_.ui.ShowMessage({"Macro Recorded",
                       "Macro saved as " + capture_msg::Shown(path_) + ", containing " +
                           std::to_string(statements) + " statements",
                       Buttons::Ok, Icon::Information});
}

void MacroRecorder::End() {
    text_.reset();
    taking_.clear();
    runner_.EndRecording();
}

uint32_t MacroRecorder::TakeHostUnlocks() {
    const uint32_t unlocks = s_.ds.unlock_counter - unlocks_seen_;
    unlocks_seen_ = s_.ds.unlock_counter;
    return unlocks;
}

RecordedCell MacroRecorder::CellAt(uint32_t address) const {
    const uint32_t columns = s_.ps.columns ? s_.ps.columns : 1;
    return {address / columns + 1, address % columns + 1};
}

std::string MacroRecorder::FunctionName(uint16_t code) const {
    const KeyboardState& kb = *s_.keyboard;
    if (CategoryOf(code) == KeyCategory::Macro) {
        const std::string* name = kb.MacroNames().Name(NumberOf(code));
        return name ? *name : std::string();
    }
    if (const KeyFunction* f = kb.key_list.Find(CategoryOf(code), NumberOf(code))) return f->name;
    return kb.key_list.KeyText(code);
}

bool MacroRecorder::OtherMacroRuns() const {
    // The own runner knows only its own macros; a REXX macro runs beside it, and its keys are not
    // the user's either.
    return s_.hooks.macros && s_.hooks.macros->IsMacroRunning();
}

bool MacroRecorder::TakesKeys() const {
    return text_ && runner_.RecordsKeys() && !OtherMacroRuns();
}

void MacroRecorder::KeyStarting() {
    taking_.push_back(TakesKeys());
}

void MacroRecorder::KeyHandled(uint16_t code, uint32_t cursor_before) {
    const bool taking = !taking_.empty() && taking_.back();
    if (!taking_.empty()) taking_.pop_back();
    if (!text_) return;
    // Every key clears the count, recorded or not: a wait belongs to the key that follows it.
    const uint32_t unlocks = TakeHostUnlocks();
    if (!taking) return;
    // A key whose macro entry is a statement was recorded as that statement when it ran.
    if (CategoryOf(code) == KeyCategory::Macro) {
        const std::string* entry = s_.keyboard->MacroNames().Name(NumberOf(code));
        if (entry && IsMacroStatement(*entry)) return;
    }
    RecordedKey key;
    key.code = code;
    key.name = FunctionName(code);
    key.host_unlocks = unlocks;
    key.cursor_before = CellAt(cursor_before);
    key.cursor_after = CellAt(s_.ps.cursor_address);
    if (s_.keyboard->key_from_mouse && s_.keyboard->mouse_cell)
        key.pointer = RecordedCell{s_.keyboard->mouse_cell->row + 1, s_.keyboard->mouse_cell->column + 1};
    text_->Key(key);
}

void MacroRecorder::MouseSelectionMade(const Selection& selection) {
    if (!TakesKeys()) return;
    const uint32_t unlocks = TakeHostUnlocks();
    text_->MouseSelection(unlocks, CellAt(s_.ps.cursor_address),
                          {selection.anchor_row + 1, selection.anchor_column + 1},
                          {selection.end_row + 1, selection.end_column + 1});
}

void MacroRecorder::StatementRun(std::string_view statement) {
    if (!TakesKeys()) return;
    const uint32_t unlocks = TakeHostUnlocks();
    text_->Statement(unlocks, CellAt(s_.ps.cursor_address), statement);
}

}  // namespace orkan
