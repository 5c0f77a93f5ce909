// The settings a new session starts with, and what older session files get for the fields they
// were too short to hold.
#include <array>
#include <cstdint>

#include "config/session_file.h"
#include "config/session_record_fields.h"

namespace orkan {

namespace {

// The host colours in the order of their 3270 values 0xF0..0xFF, as a 3279 shows them, brightened
// a little where the pure colour is hard to read on black. Entry 0 is the screen background and
// entry 9 (deep blue) the background while earlier screens are browsed.
constexpr std::array<uint32_t, 16> kPalette = {
    0x000000,  // 0 background (0xF0 neutral)
    0x7890F0,  // 1 blue
    0xF01818,  // 2 red
    0xFF40FF,  // 3 pink
    0x24D830,  // 4 green
    0x58F0F0,  // 5 turquoise
    0xFFFF00,  // 6 yellow
    0xFFFFFF,  // 7 white
    0x000000,  // 8 black
    0x101080,  // 9 deep blue
    0xFFA040,  // 10 orange
    0xA040F0,  // 11 purple
    0x98FB98,  // 12 pale green
    0xAFEEEE,  // 13 pale turquoise
    0xA0A0A0,  // 14 grey
    0xFFFFFF,  // 15 white
};

struct Role {
    uint8_t foreground, background;
};

constexpr uint8_t kBlack = 0, kBlue = 1, kRed = 2, kGreen = 4, kTurquoise = 5, kYellow = 6, kWhite = 7,
                  kGrey = 14;

// Roles 0-15 draw each host colour on the background; 0xF0 (default) is green, as on a 3279.
constexpr std::array<Role, 32> kRoles = [] {
    std::array<Role, 32> r{};
    for (uint8_t i = 0; i < 16; ++i) r[i] = {i, kBlack};
    r[0] = {kGreen, kBlack};
    r[16] = {kGreen, kBlack};      // unprotected normal
    r[17] = {kRed, kBlack};        // unprotected intensified
    r[18] = {kBlue, kBlack};       // protected normal
    r[19] = {kWhite, kBlack};      // protected intensified
    r[20] = {kGreen, kBlack};      // default text
    r[21] = {kTurquoise, kBlack};  // status line
    r[22] = {kGrey, kBlack};       // horizontal ruler
    r[23] = {kGrey, kBlack};       // vertical ruler
    r[24] = {kWhite, kBlack};      // border text
    r[25] = {kWhite, kBlack};      // cursor colour 5 (mixed by exclusive or)
    r[26] = {kYellow, kBlack};     // find marks: drawn exchanged, black on yellow
    for (size_t i = 27; i < 32; ++i) r[i] = {kGreen, kBlack};
    return r;
}();

struct NumberDefault {
    const FieldDef* field;
    uint32_t value;
};
struct TextDefault {
    const FieldDef* field;
    std::string_view text;
};

// clang-format off
constexpr std::array kNewNumbers = {
    NumberDefault{&field::WindowMaximised, 0},
    NumberDefault{&field::WindowLeft, 40},
    NumberDefault{&field::WindowTop, 40},
    NumberDefault{&field::WindowWidth, 800},
    NumberDefault{&field::WindowHeight, 600},
    NumberDefault{&field::Port, 23},
    NumberDefault{&field::ConnectionTimeout, 30},
    NumberDefault{&field::BorderSize, 2},
    NumberDefault{&field::NumberOfCopyBuffers, 3},
    NumberDefault{&field::Brightness, 128},
    NumberDefault{&field::SaveFileAction, 0},
    NumberDefault{&field::ShowWindowOnUpdate, 0},
    NumberDefault{&field::AskBeforeClosing, 1},
    NumberDefault{&field::ShowTooltips, 1},
    NumberDefault{&field::TerminalModel, 0},
    NumberDefault{&field::KeyClickOnError, 1},
    NumberDefault{&field::Alarm, 1},
    NumberDefault{&field::UpdateNotification, 0},
    NumberDefault{&field::BlinkingText, 0},
    NumberDefault{&field::AutoKeyboardUnlock, 1},
    NumberDefault{&field::ResetInsertOnActionKey, 1},
    NumberDefault{&field::ToggleInsertKey, 1},
    NumberDefault{&field::RowColOnStatusLine, 1},
    NumberDefault{&field::ModifyColInIspfEdit, 0},
    NumberDefault{&field::PrefixInputWithSpaces, 0},
    NumberDefault{&field::ConvertNullsToBlanks, 0},
    NumberDefault{&field::EnableAutoskip, 1},
    NumberDefault{&field::NumericFieldLock, 1},
    NumberDefault{&field::AllUpperCase, 0},
    NumberDefault{&field::TypeAhead, 1},
    NumberDefault{&field::NormalCursor, 0},
    NumberDefault{&field::NormalCursorSize, 2},
    NumberDefault{&field::NormalCursorBlink, 1},
    NumberDefault{&field::InsertCursor, 1},
    NumberDefault{&field::InsertCursorSize, 2},
    NumberDefault{&field::InsertCursorBlink, 1},
    NumberDefault{&field::Ruler, 0},
    NumberDefault{&field::LocateCursor, 1},
    NumberDefault{&field::SizeWindowToFont, 0},
    NumberDefault{&field::KeepFontConstantOnModeSwitch, 1},
    NumberDefault{&field::CutDelete, 0},
    NumberDefault{&field::Paste, 0},
    NumberDefault{&field::MouseMoveBeforeSelection, 1},
    NumberDefault{&field::UseAltForMenu, 1},
    NumberDefault{&field::AutoReconnect, 0},
    NumberDefault{&field::MoveCursorOnActivate, 1},
    NumberDefault{&field::SkipAtEndOfField, 1},
    NumberDefault{&field::ToggleShiftCaps, 1},
    NumberDefault{&field::NotifyUserOnInsertError, 1},
    NumberDefault{&field::PrintMode, 0},
    NumberDefault{&field::DebugWindowLeft, 10},
    NumberDefault{&field::DebugWindowTop, 10},
    NumberDefault{&field::DebugWindowWidth, 712},
    NumberDefault{&field::DebugWindowHeight, 300},
    NumberDefault{&field::Tn3270e, 1},
    NumberDefault{&field::After, 0},
    NumberDefault{&field::TransferBlockSize, 2500},
    NumberDefault{&field::UserScreenWidth, 127},
    NumberDefault{&field::UserScreenHeight, 56},
    NumberDefault{&field::CursorColor, 0},
    NumberDefault{&field::MoveCursorToEndOnPaste, 0},
    NumberDefault{&field::NormalCursorBackspace, 0},
    NumberDefault{&field::InsertCursorBackspace, 0},
    NumberDefault{&field::EnableDragAndDrop, 1},
    NumberDefault{&field::EnableAutoCutCopy, 0},
    NumberDefault{&field::DftMode, 1},
    NumberDefault{&field::DefaultColumns, 80},
    NumberDefault{&field::DefaultRows, 24},
    NumberDefault{&field::SaveDialogPositions, 1},
    NumberDefault{&field::TlsChoice, 0},
    NumberDefault{&field::ScreenBuffers, 20},
    NumberDefault{&field::HostInitiatedPrinting, 0},
    NumberDefault{&field::TrueType, 0},
    NumberDefault{&field::UploadUnit, 1},
    NumberDefault{&field::UploadAscii, 1},
    NumberDefault{&field::UploadCrlf, 1},
    NumberDefault{&field::DownloadAscii, 1},
    NumberDefault{&field::DownloadCrlf, 1},
    NumberDefault{&field::FormatAsHtml, 0},
};

constexpr std::array kNewTexts = {
    TextDefault{&field::FontName, "Orkan Thick Fonts"},
    TextDefault{&field::UpProgram, "IND$FILE"},
    TextDefault{&field::DownProgram, "IND$FILE"},
    TextDefault{&field::ScreenCodePage, "United States"},
    // Linux text files are UTF-8; older session files keep the code page they name.
    TextDefault{&field::PcCodePage, "UTF-8"},
    TextDefault{&field::KeyboardCodePage, "United States"},
    TextDefault{&field::PrinterName, "<default>"},
    TextDefault{&field::SessionFile, "standard.ses"},
    TextDefault{&field::KeyboardFile, "standard.key"},
    TextDefault{&field::ToolbarFile, "standard.bar"},
    TextDefault{&field::KeypadFile, "standard.pad"},
    TextDefault{&field::SaveScreenFile, "screen.txt"},
    TextDefault{&field::StartupMacro, "(none)"},
    TextDefault{&field::AlarmSoundFile, "beep1.wav"},
    TextDefault{&field::KeyClickSoundFile, "click4.wav"},
    TextDefault{&field::UpdateSoundFile, "beep4.wav"},
    TextDefault{&field::TrueTypeFontName, "IBM 3270"},
};

// For each file length below `below`, the defaults of the fields such a file lacks.
struct OlderDefault {
    uint16_t below;
    const FieldDef* field;
    uint32_t number;
    std::string_view text;
};
constexpr std::string_view kNumber = {};  // marks a number row

constexpr std::array kOlderDefaults = {
    OlderDefault{1937, &field::StartupMacro, 0, "(none)"},
    OlderDefault{1937, &field::AutoReconnect, 1, kNumber},
    OlderDefault{1939, &field::UserName, 0, ""},
    OlderDefault{1959, &field::MoveCursorOnActivate, 1, kNumber},
    OlderDefault{1959, &field::SkipAtEndOfField, 1, kNumber},
    OlderDefault{1959, &field::ToggleShiftCaps, 1, kNumber},
    OlderDefault{2416, &field::ScreenCodePage, 0, "United States"},
    OlderDefault{2416, &field::KeyboardCodePage, 0, "United States"},
    OlderDefault{2416, &field::PcCodePage, 0, "DOS (US 437)"},
    OlderDefault{2416, &field::KeypadFile, 0, "standard.pad"},
    OlderDefault{2416, &field::DebugWindowLeft, 10, kNumber},
    OlderDefault{2416, &field::DebugWindowTop, 10, kNumber},
    OlderDefault{2416, &field::DebugWindowWidth, 712, kNumber},
    OlderDefault{2416, &field::DebugWindowHeight, 300, kNumber},
    OlderDefault{2416, &field::TransferBlockSize, 2500, kNumber},
    OlderDefault{2416, &field::After, 0, kNumber},
    OlderDefault{2416, &field::UserScreenWidth, 127, kNumber},
    OlderDefault{2416, &field::UserScreenHeight, 56, kNumber},
    OlderDefault{2416, &field::NotifyUserOnInsertError, 1, kNumber},
    OlderDefault{2764, &field::AlarmSoundFile, 0, "beep1.wav"},
    OlderDefault{2764, &field::KeyClickSoundFile, 0, "click4.wav"},
    OlderDefault{2764, &field::UpdateSoundFile, 0, "beep4.wav"},
    OlderDefault{2764, &field::CursorColor, 0, kNumber},
    OlderDefault{2764, &field::MoveCursorToEndOnPaste, 0, kNumber},
    OlderDefault{2828, &field::TransferQualifier, 0, ""},
    OlderDefault{2860, &field::DftMode, 1, kNumber},
    OlderDefault{2860, &field::EnableDragAndDrop, 1, kNumber},
    OlderDefault{2860, &field::EnableAutoCutCopy, 0, kNumber},
    OlderDefault{2860, &field::PrinterName, 0, "<default>"},
    OlderDefault{2864, &field::EnableAutoskip, 0, kNumber},
    OlderDefault{6712, &field::BorderText, 0, ""},
    OlderDefault{6716, &field::ScreenBuffers, 20, kNumber},
    OlderDefault{7012, &field::TrueType, 0, kNumber},
    OlderDefault{7012, &field::TrueTypeFontName, 0, "IBM 3270"},
};
// clang-format on

// Files shorter than this chose their backspace behaviour with one older flag.
constexpr size_t kBackspaceChoicesFrom = 2828;

void SetDefaultText(SessionRecord& r, const FieldDef& f, std::string_view text) {
    // The tables hold only texts that fit; a static test checks every one.
    [[maybe_unused]] const bool fits = r.SetText(f, text);
}

void SetPrinterProfiles(SessionRecord& r) {
    auto bytes = r.Bytes();
    for (int p = 0; p < kPrinterProfiles; ++p) {
        uint8_t* profile = bytes.data() + field::PrinterProfiles.offset + size_t(p) * kPrinterProfileSize;
        constexpr std::string_view face = "DejaVu Sans Mono";
        for (size_t i = 0; i < face.size(); ++i) profile[printer_profile::FontName + i] = uint8_t(face[i]);
        for (size_t layout = 0; layout < 4; ++layout) {
            profile[printer_profile::Left + layout] = 5;
            profile[printer_profile::Top + layout] = 5;
            profile[printer_profile::Right + layout] = 95;
            profile[printer_profile::Bottom + layout] = 95;
        }
    }
}

}  // namespace

SessionRecord DefaultSessionRecord() {
    SessionRecord r;
    for (int i = 0; i < 16; ++i) r.SetSessionColour(i, kPalette[size_t(i)]);
    for (int i = 0; i < 32; ++i) r.SetRole(i, kRoles[size_t(i)].foreground, kRoles[size_t(i)].background);
    for (const NumberDefault& d : kNewNumbers) r.SetNumber(*d.field, d.value);
    for (const TextDefault& d : kNewTexts) SetDefaultText(r, *d.field, d.text);
    SetPrinterProfiles(r);
    return r;
}

void ApplyOlderFormatDefaults(SessionRecord& record, size_t file_length) {
    if (file_length < kBackspaceChoicesFrom) {
        const uint32_t choice = record.Flag(field::LegacyBackspace) ? 2 : 0;
        record.SetNumber(field::NormalCursorBackspace, choice);
        record.SetNumber(field::InsertCursorBackspace, choice);
    }
    for (const OlderDefault& d : kOlderDefaults) {
        if (file_length >= d.below) continue;
        if (d.field->kind == FieldKind::Text)
            SetDefaultText(record, *d.field, d.text);
        else
            record.SetNumber(*d.field, d.number);
    }
}

void ClampSessionRecord(SessionRecord& record) {
    auto bytes = record.Bytes();
    for (const FieldDef* f : AllSessionFields()) {
        uint8_t* p = bytes.data() + f->offset;
        switch (f->kind) {
            case FieldKind::Text:
                p[f->size - 1] = 0;
                break;
            case FieldKind::Colour:
                for (size_t i = 3; i < f->size; i += 4) p[i] = 0;
                break;
            case FieldKind::Flag:
            case FieldKind::Choice:
            case FieldKind::U8:
                for (size_t i = 0; i < f->size; ++i) {
                    if (p[i] < f->min) p[i] = uint8_t(f->min);
                    if (p[i] > f->max) p[i] = uint8_t(f->max);
                }
                break;
            case FieldKind::U16:
            case FieldKind::U32: {
                const int64_t v = record.Number(*f);
                if (v < f->min) record.SetNumber(*f, uint32_t(f->min));
                if (v > f->max) record.SetNumber(*f, uint32_t(f->max));
                break;
            }
            case FieldKind::I16:
                break;
        }
    }
    // An unknown TLS choice becomes "highest", never "none".
    const uint32_t tls = record.Number(field::TlsChoice);
    if (tls > 4 && tls != 11 && tls != 12) record.SetNumber(field::TlsChoice, 1);
    // 3270 addresses at most 16383 positions.
    const uint32_t width = record.Number(field::UserScreenWidth);
    if (width * record.Number(field::UserScreenHeight) > 16383)
        record.SetNumber(field::UserScreenHeight, 16383 / width);
    if (record.Number(field::DefaultColumns) == 0) record.SetNumber(field::DefaultColumns, 80);
    if (record.Number(field::DefaultRows) == 0) record.SetNumber(field::DefaultRows, 24);
}

}  // namespace orkan
