#include "options/option_effects.h"

#include <algorithm>
#include <initializer_list>

#include "keyboard/key_files.h"
#include "session/session.h"
#include "session/session_charset.h"

namespace orkan {

namespace {

bool Changed(const SessionRecord& a, const SessionRecord& b, const FieldDef& f) {
    const auto x = a.Bytes().subspan(f.offset, f.size);
    const auto y = b.Bytes().subspan(f.offset, f.size);
    return !std::equal(x.begin(), x.end(), y.begin());
}

bool AnyChanged(const SessionRecord& a, const SessionRecord& b,
                std::initializer_list<const FieldDef*> fields) {
    return std::any_of(fields.begin(), fields.end(), [&](const FieldDef* f) { return Changed(a, b, *f); });
}

// What the painted screen is made of, beyond the faces.
constexpr std::initializer_list<const FieldDef*> kPaintFields = {
    &field::Colours,           &field::ColourRoles,    &field::Brightness,
    &field::ColourTag,         &field::ColourTagEntry, &field::BlinkingText,
    &field::AllUpperCase,      &field::NormalCursor,   &field::NormalCursorSize,
    &field::NormalCursorBlink, &field::InsertCursor,   &field::InsertCursorSize,
    &field::InsertCursorBlink, &field::Ruler,          &field::CursorColor,
    &field::BorderText,
};
constexpr std::initializer_list<const FieldDef*> kFontFields = {
    &field::FontName,
    &field::TrueType,
    &field::TrueTypeFontName,
    &field::SizeWindowToFont,
    &field::KeepFontConstantOnModeSwitch,
    &field::BorderSize,
};
constexpr std::initializer_list<const FieldDef*> kCodePageFields = {
    &field::ScreenCodePage,
    &field::KeyboardCodePage,
    &field::PcCodePage,
};
// The connection is made with these when it starts; a running one keeps what it began with.
constexpr std::initializer_list<const FieldDef*> kReconnectFields = {
    &field::SessionFile,
    &field::HostName,
    &field::TerminalModel,
};

struct KeyFileField {
    KeyFileKind kind;
    const FieldDef* field;
};
constexpr KeyFileField kKeyFiles[] = {
    {KeyFileKind::Keytable, &field::KeyboardFile},
    {KeyFileKind::Toolbar, &field::ToolbarFile},
    {KeyFileKind::Keypad, &field::KeypadFile},
};

}  // namespace

bool ApplyChangedSettings(Session& session, const SessionRecord& before) {
    SessionRecord& now = session.record;
    if (before == now) return true;
    SettingsHook* window = session.hooks.settings;

    const bool code_pages = AnyChanged(before, now, kCodePageFields);
    // A failure has been shown; the tables in use stay.
    if (code_pages) [[maybe_unused]]
        const bool rebuilt = RebuildCharset(session);

    bool key_map = false;
    bool key_table_loaded = false;
    bool refused = false;
    for (const KeyFileField& k : kKeyFiles) {
        if (!Changed(before, now, *k.field)) continue;
        const KeyFileLoad load = LoadKeyFile(session, k.kind, now.Text(*k.field));
        if (!load.ok) {
            // Reported; the one loaded before stays in use, so the session keeps naming it: saved
            // with the new name, the next start would find no usable file.
            [[maybe_unused]] const bool restored = now.SetText(*k.field, before.Text(*k.field));
            refused = true;
            continue;
        }
        key_table_loaded = key_table_loaded || k.kind == KeyFileKind::Keytable;
        key_map = true;
    }
    if (before == now) return false;
    // A new key map brought the keyboard country's layout with it.
    if (Changed(before, now, field::KeyboardCodePage) && !key_table_loaded) {
        ApplyKeyboardLayout(session);
        key_map = true;
    }

    if (Changed(before, now, field::ScreenBuffers) && session.hooks.history)
        session.hooks.history->SlotCountChanged();

    const bool font = AnyChanged(before, now, kFontFields);
    const bool cell = AnyChanged(before, now, {&field::CellWidth, &field::CellHeight});
    if (window) {
        if (font) window->FontChanged();
        if (cell) window->CellSizeChanged();
        if (key_map) window->KeyMapChanged();
    }
    if (font || cell || code_pages || AnyChanged(before, now, kPaintFields)) {
        session.ps.MarkAllChanged();
        session.view->RepaintAll();
    }
    session.view->RefreshStatusLine();

    // Saved now, so that a reconnect (which reads the session file again) and other sessions opened
    // on the same file find the new settings. A failed save has been shown.
    if (window) [[maybe_unused]]
        const bool saved = window->SaveSession();

    if (AnyChanged(before, now, kReconnectFields))
        session.ui.ShowMessage({kReconnectTitle, kReconnectText, Buttons::Ok, Icon::Warning});
    return !refused;
}

}  // namespace orkan
