#include "options/option_table.h"

#include <array>

namespace orkan {

namespace {

using K = OptionKind;

constexpr OptionEntry YesNo(std::string_view keyword, const FieldDef& f) {
    return {keyword, K::YesNo, 0, 1, &f};
}
constexpr OptionEntry Choice(std::string_view keyword, int32_t largest, const FieldDef& f) {
    return {keyword, K::Choice, 0, largest, &f};
}
constexpr OptionEntry Number(std::string_view keyword, int32_t smallest, int32_t largest, const FieldDef& f) {
    return {keyword, K::Number, smallest, largest, &f};
}
constexpr OptionEntry Text(std::string_view keyword, int32_t most, const FieldDef& f) {
    return {keyword, K::Text, 0, most, &f};
}
constexpr OptionEntry CellSize(std::string_view keyword) {
    return {keyword, K::CellSize, 0, 0, &field::CellWidth};
}
constexpr OptionEntry Colour(std::string_view keyword, uint8_t index) {
    return {keyword, K::Colour, 0, 0xFFFFFF, &field::Colours, index};
}

// Text limits are those of the stored fields: where an older limit was longer (file names of 260,
// BORDERTEXT, the additional parameters and the code page names of 128 and 32), the longer text
// has no room in the session file and is refused rather than cut.
constexpr std::array kGeneral = {
    Text("SESSIONFILE", 259, field::SessionFile),
    Text("SESSIONNAME", 40, field::SessionName),
    Text("HOSTNAME", 64, field::HostName),
    Text("WINDOWTITLE", 128, field::WindowTitle),
    Text("STATUSLINE", 128, field::StatusLine),
    Text("FILENAME", 259, field::SaveScreenFile),
    Text("FILE", 259, field::SaveScreenFile),
    // One stored byte under four names with different limits (the save-screen choices).
    Choice("FILEFORSAVESCREENTODISK", 3, field::SaveFileAction),
    Choice("SAVESCREENANDCAPTUREFUNCTIONS", 3, field::SaveFileAction),
    YesNo("FORMATASHTML", field::FormatAsHtml),
    Choice("SAVEFILEACTION", 1, field::SaveFileAction),
    Choice("FILEFORSAVESCREENDISK", 1, field::SaveFileAction),
    Text("EDITKEYBOARD", 259, field::KeyboardFile),
    Text("EDITTOOLBAR", 259, field::ToolbarFile),
    Text("EDITKEYPAD", 259, field::KeypadFile),
    Number("CONNECTIONTIMEOUT", 0, 999, field::ConnectionTimeout),
    Text("STARTUPMACRO", 259, field::StartupMacro),
    YesNo("SHOWWINDOWONUPDATE", field::ShowWindowOnUpdate),
    YesNo("ASKBEFORECLOSING", field::AskBeforeClosing),
    YesNo("SHOWTOOLTIPS", field::ShowTooltips),
    YesNo("SAVEDIALOGPOSITIONS", field::SaveDialogPositions),
    // The history ring's own limit; each slot holds a whole screen.
    Number("SCREENBUFFERS", 0, 100, field::ScreenBuffers),
    YesNo("AUTORECONNECT", field::AutoReconnect),
    YesNo("USEALTFORMENU", field::UseAltForMenu),
};

constexpr std::array kDisplay = {
    Choice("TERMINALMODEL", 4, field::TerminalModel),
    YesNo("ALARM", field::Alarm),
    YesNo("KEYCLICKONERROR", field::KeyClickOnError),
    YesNo("UPDATENOTIFICATION", field::UpdateNotification),
    Number("AFTER", 0, 99, field::After),
    Choice("BLINKINGTEXT", 2, field::BlinkingText),
    YesNo("AUTOKEYBOARDUNLOCK", field::AutoKeyboardUnlock),
    YesNo("RESETINSERTONACTIONKEY", field::ResetInsertOnActionKey),
    YesNo("TOGGLEINSERTKEY", field::ToggleInsertKey),
    YesNo("ROW/COLONSTATUSLINE", field::RowColOnStatusLine),
    YesNo("MODIFYCOLINISPFEDIT", field::ModifyColInIspfEdit),
    YesNo("PREFIXINPUTWITHSPACES", field::PrefixInputWithSpaces),
    YesNo("CONVERTNULLSTOBLANKS", field::ConvertNullsToBlanks),
    YesNo("ENABLEAUTOSKIP", field::EnableAutoskip),
    YesNo("SKIPATENDOFFIELD", field::SkipAtEndOfField),
    YesNo("MOVECURSORONACTIVATE", field::MoveCursorOnActivate),
    YesNo("ALLUPPERCASE", field::AllUpperCase),
    YesNo("TYPEAHEAD", field::TypeAhead),
    YesNo("NUMERICFIELDLOCK", field::NumericFieldLock),
    YesNo("TOGGLESHIFT/CAPS", field::ToggleShiftCaps),
    YesNo("HOSTINITIATEDPRINTING", field::HostInitiatedPrinting),
};

constexpr std::array kCursor = {
    Choice("NORMALCURSOR", 1, field::NormalCursor),
    Choice("NORMALCURSORSIZE", 6, field::NormalCursorSize),
    Choice("NORMALCURSORBLINK", 2, field::NormalCursorBlink),
    Choice("NORMALCURSORBACKSPACE", 2, field::NormalCursorBackspace),
    Choice("INSERTCURSOR", 1, field::InsertCursor),
    Choice("INSERTCURSORSIZE", 6, field::InsertCursorSize),
    Choice("INSERTCURSORBLINK", 2, field::InsertCursorBlink),
    Choice("INSERTCURSORBACKSPACE", 2, field::InsertCursorBackspace),
    Choice("RULER", 3, field::Ruler),
    Choice("LOCATECURSOR", 1, field::LocateCursor),
    Choice("CURSORCOLOR", 5, field::CursorColor),
};

constexpr std::array kFont = {
    Text("FONTNAME", 32, field::FontName),
    CellSize("SIZE"),
    YesNo("SIZEWINDOWTOFONT", field::SizeWindowToFont),
    YesNo("KEEPFONTCONSTANTONMODESWITCH", field::KeepFontConstantOnModeSwitch),
    Number("BORDERSIZE", 0, 99, field::BorderSize),
    Choice("TRUETYPE", 1, field::TrueType),
    Text("TRUETYPEFONTNAME", 32, field::TrueTypeFontName),
    CellSize("WIDTH"),
    CellSize("HEIGHT"),
    Text("BORDERTEXT", 106, field::BorderText),
};

constexpr std::array kColours = {
    Colour("COLOR0", 0),   Colour("COLOR1", 1),   Colour("COLOR2", 2),   Colour("COLOR3", 3),
    Colour("COLOR4", 4),   Colour("COLOR5", 5),   Colour("COLOR6", 6),   Colour("COLOR7", 7),
    Colour("COLOR8", 8),   Colour("COLOR9", 9),   Colour("COLOR10", 10), Colour("COLOR11", 11),
    Colour("COLOR12", 12), Colour("COLOR13", 13), Colour("COLOR14", 14), Colour("COLOR15", 15),
};

constexpr std::array kCutPaste = {
    Choice("CUT/DELETE", 1, field::CutDelete),
    Number("NUMBEROFCOPYBUFFERS", 0, 9, field::NumberOfCopyBuffers),
    Choice("MOUSEMOVEBEFORESELECTION", 9, field::MouseMoveBeforeSelection),
    // 3 is Paste Field (one line per field), which Paste runs for it.
    Choice("PASTE", 3, field::Paste),
    YesNo("NOTIFYUSERONINSERTERROR", field::NotifyUserOnInsertError),
    YesNo("MOVECURSORTOENDONPASTE", field::MoveCursorToEndOnPaste),
    YesNo("ENABLEDRAGANDDROP", field::EnableDragAndDrop),
    YesNo("ENABLEAUTOCUT/COPY", field::EnableAutoCutCopy),
};

constexpr std::array kPrint = {
    Text("USERNAME", 40, field::UserName),
};

constexpr std::array kMisc = {
    Text("SCREEN", 31, field::ScreenCodePage),
    Text("KEYBOARD", 31, field::KeyboardCodePage),
    Text("UPPROGRAM", 20, field::UpProgram),
    Text("UPADDITIONALPARAMETERS", 127, field::UpAdditionalParameters),
    Text("PCCODEPAGE", 31, field::PcCodePage),
    Text("DOWNPROGRAM", 20, field::DownProgram),
    Text("DOWNADDITIONALPARAMETERS", 127, field::DownAdditionalParameters),
    // A transfer buffer below 256 bytes cannot carry the protocol's own frames.
    Number("TRANSFERBLOCKSIZE", 256, 25000, field::TransferBlockSize),
};

constexpr std::array<OptionSection, 8> kSections = {{
    {"GENERAL", kGeneral},
    {"DISPLAY", kDisplay},
    {"CURSOR", kCursor},
    {"FONT", kFont},
    {"COLORS", kColours},
    {"CUT/PASTE", kCutPaste},
    {"PRINT", kPrint},
    {"MISC", kMisc},
}};

// Every entry fits the field it names: a text limit within the field, a number within its width.
constexpr bool Fits(const OptionEntry& e) {
    const FieldDef& f = *e.field;
    switch (e.kind) {
        case K::Text:
            return f.kind == FieldKind::Text && e.limit <= f.max;
        case K::YesNo:
            return f.kind == FieldKind::Flag;
        case K::Choice:
            return (f.kind == FieldKind::Choice || f.kind == FieldKind::Flag) && e.limit <= f.max;
        case K::Number:
            return f.kind == FieldKind::U16 && e.minimum <= e.limit && e.limit <= f.max;
        case K::Colour:
            return e.field == &field::Colours && e.palette_index < 16;
        case K::CellSize:
            return e.field == &field::CellWidth;
    }
    return false;
}
constexpr bool AllFit() {
    for (const OptionSection& s : kSections)
        for (const OptionEntry& e : s.entries)
            if (!Fits(e)) return false;
    return true;
}
static_assert(AllFit());

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool EqualUpper(std::string_view given, std::string_view upper) {
    if (given.size() != upper.size()) return false;
    for (size_t i = 0; i < given.size(); ++i)
        if (Upper(given[i]) != upper[i]) return false;
    return true;
}

}  // namespace

std::span<const OptionSection> OptionSections() {
    return kSections;
}

const OptionEntry* FindOption(std::string_view section, std::string_view option) {
    for (const OptionSection& s : kSections) {
        if (!EqualUpper(section, s.name)) continue;
        for (const OptionEntry& e : s.entries)
            if (EqualUpper(option, e.keyword)) return &e;
        return nullptr;
    }
    return nullptr;
}

const OptionEntry* FindOptionFor(const FieldDef& f) {
    for (const OptionSection& s : kSections)
        for (const OptionEntry& e : s.entries)
            if (e.field == &f) return &e;
    return nullptr;
}

}  // namespace orkan
