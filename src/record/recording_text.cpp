#include "record/recording_text.h"

#include "keyboard/key_functions.h"

namespace orkan {

namespace {

constexpr std::string_view kCrLf = "\r\n";

std::string Stars(size_t n) {
    return std::string(n, '*');
}

// A text inside a double-quoted literal of either language: quotes doubled.
std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '"') out += '"';
    }
    out += '"';
    return out;
}

// A header comment holds one line and ends where its line does: line ends and other control
// characters become blanks. In the own language a ";" would end the comment (it ends a statement),
// in REXX a "*/" would, and a "/*" would open a nested comment that runs to the end of the file.
std::string CommentText(std::string_view text, RecordLanguage language) {
    std::string out;
    for (char c : text) {
        if (uint8_t(c) < 0x20) c = ' ';
        if (language == RecordLanguage::Own && c == ';') c = ',';
        if (language == RecordLanguage::Rexx && !out.empty() &&
            ((out.back() == '*' && c == '/') || (out.back() == '/' && c == '*')))
            out += ' ';
        out += c;
    }
    return out;
}

// Bytes that cannot stand inside a literal: the scanner ends a text at a control character.
bool NeedsCharacterCode(uint8_t c) {
    return c < 0x20 || c == 0x7F;
}

bool TakesCursorPosition(uint16_t code) {
    if (CategoryOf(code) != KeyCategory::Edit) return false;
    switch (NumberOf(code)) {
        case edit_fn::SelectField:
        case edit_fn::SelectLine:
        case edit_fn::SelectWord:
        case edit_fn::MarkSelectionStart:
        case edit_fn::SelectToMark:
            return true;
        default:
            return false;
    }
}

bool ControlsRecording(uint16_t code) {
    if (CategoryOf(code) != KeyCategory::Oper) return false;
    const uint8_t n = NumberOf(code);
    return n >= oper_fn::MacroRecord && n <= oper_fn::MacroPause;
}

std::string Position(RecordedCell c) {
    return std::to_string(c.row) + "," + std::to_string(c.column);
}

}  // namespace

RecordingText::RecordingText(const RecordingHeader& header)
    : language_(header.language), wait_seconds_(header.wait_seconds) {
    const std::string description =
        CommentText(header.description.empty() ? header.file_name : header.description, language_);
    const std::string generated = "Orkan TN3270 macro generated on " + header.date_time;
    if (language_ == RecordLanguage::Own) {
        Line(Stars(57));
        Line("* " + description);
        Line("* " + generated);
        Line(Stars(57));
    } else {
        Line("/* rexx " + Stars(51) + "/");
        // The description the user gave is kept in REXX too, as a comment line of its own.
        Line("/* " + description + " */");
        Line("/* " + generated + "    */");
        Line("/" + Stars(58) + "/");
    }
    text_ += kCrLf;
    Wait(1, {});
    statements_ = 5;
}

void RecordingText::Line(std::string_view line) {
    text_ += line;
    text_ += kCrLf;
}

void RecordingText::Wait(uint32_t unlocks, RecordedCell cursor) {
    if (unlocks == 0) return;
    // Characters typed before the host answered are typed before the wait when played.
    FlushTypedText();
    const std::string seconds = std::to_string(wait_seconds_);
    const bool own = language_ == RecordLanguage::Own;
    if (unlocks == 1) {
        Line(own ? "Wait(" + seconds + ",Status=\"Unlocked\")" : "WaitUnlocked(" + seconds + ")");
    } else if (own) {
        Line("Wait(" + seconds + ",Status=\"Unlocked\" & CursorPos = \"" + Position(cursor) + "\")");
    } else {
        Line("Wait(" + seconds + ",\"getvar('status')='UNLOCKED' & getvar('cursorpos')='" + Position(cursor) +
             "'\")");
    }
    ++statements_;
}

void RecordingText::KeyLine(std::string_view name, std::optional<RecordedCell> at, bool cursor_names) {
    std::string line = "Key(" + Quoted(name);
    if (at) {
        line += "," + std::to_string(at->row) + "," + std::to_string(at->column);
    } else if (cursor_names) {
        // The position the cursor has when the macro plays. REXX reads it through getvar: CursorRow
        // there would be an unset symbol, whose value is its own name.
        line += language_ == RecordLanguage::Own ? ",CursorRow,CursorCol"
                                                 : ",getvar('cursorrow'),getvar('cursorcol')";
    }
    Line(line + ")");
    ++statements_;
}

void RecordingText::Character(uint8_t c) {
    if (NeedsCharacterCode(c)) {
        FlushTypedText();
        const std::string n = std::to_string(c);
        Line(language_ == RecordLanguage::Own ? "Type(CHR(" + n + "))" : "Type(d2c(" + n + "))");
        ++statements_;
        return;
    }
    typed_ += char(c);
    if (c == '"') typed_ += '"';
    if (++typed_count_ >= kTypedTextFlushLength) FlushTypedText();
}

void RecordingText::FlushTypedText() {
    if (typed_count_ == 0) return;
    Line("Type(\"" + typed_ + "\")");
    typed_.clear();
    typed_count_ = 0;
    ++statements_;
}

void RecordingText::Key(const RecordedKey& key) {
    Wait(key.host_unlocks, key.cursor_before);
    switch (CategoryOf(key.code)) {
        case KeyCategory::Char:
            Character(NumberOf(key.code));
            return;
        case KeyCategory::Action:
        case KeyCategory::Edit:
        case KeyCategory::Oper: {
            FlushTypedText();
            if (ControlsRecording(key.code)) return;
            const uint8_t n = NumberOf(key.code);
            if (CategoryOf(key.code) == KeyCategory::Oper &&
                (n == oper_fn::SelectLocation1 || n == oper_fn::SelectLocation2)) {
                KeyLine(key.name, key.cursor_after, false);
            } else if (TakesCursorPosition(key.code)) {
                KeyLine(key.name, key.pointer, true);
            } else {
                KeyLine(key.name, std::nullopt, false);
            }
            return;
        }
        case KeyCategory::Macro:
            FlushTypedText();
            // The own language has no Execute: RUN plays the file and goes on after it.
            Line(language_ == RecordLanguage::Own ? "RUN(" + Quoted(key.name) + ")"
                                                  : "Execute (" + Quoted(key.name) + ")");
            ++statements_;
            return;
        default:
            return;
    }
}

void RecordingText::Finish(uint32_t host_unlocks, RecordedCell cursor) {
    FlushTypedText();
    Wait(host_unlocks, cursor);
}

void RecordingText::Statement(uint32_t host_unlocks, RecordedCell cursor, std::string_view statement) {
    Wait(host_unlocks, cursor);
    FlushTypedText();
    std::string line;
    for (size_t i = 0; i <= statement.size(); ++i) {
        if (i < statement.size() && statement[i] != '\r' && statement[i] != '\n') {
            line += statement[i];
            continue;
        }
        if (line.find_first_not_of(' ') != std::string::npos) {
            Line(line);
            ++statements_;
        }
        line.clear();
    }
}

void RecordingText::MouseSelection(uint32_t host_unlocks, RecordedCell cursor, RecordedCell start,
                                   RecordedCell end) {
    Wait(host_unlocks, cursor);
    FlushTypedText();
    KeyLine("SelectLocation1", start, false);
    KeyLine("SelectLocation2", end, false);
}

}  // namespace orkan
