#include "keyboard/field_edit.h"

#include <algorithm>
#include <cstring>

#include "ds3270/fields.h"
#include "keyboard/field_moves.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard_state.h"
#include "session/session.h"
#include "session/session_charset.h"

namespace orkan {
namespace {

// The characters a numeric field takes besides the digits and DUP.
constexpr std::string_view kNumericExtras = "!@#$%^&*()_-+{}|<>,.?";

bool Wang(const Session& s) {
    return s.settings.Wang != 0;
}

bool KeyClick(const Session& s) {
    return s.record.Flag(field::KeyClickOnError);
}

// A status the keyboard must not overwrite: nothing is connected, or a transfer owns the session.
bool StatusIsKept(SessionStatus status) {
    return status == SessionStatus::NotConnected || IsTransferStatus(status);
}

bool IsInputError(SessionStatus status) {
    return status == SessionStatus::Protected || status == SessionStatus::InsertOverflow;
}

// What an erased position holds: a null, or with Wang 0x0B in fields without bit 0x40.
uint8_t ErasedCharacter(const Session& s, uint8_t attribute) {
    return Wang(s) && !(attribute & 0x40) ? 0x0B : 0x00;
}

// The last position of the field that holds `from`: before the next attribute, at most the last
// position of the screen.
uint32_t FieldEnd(const PresentationSpace& ps, uint32_t from) {
    uint32_t p = from;
    while (p + 1 < ps.positions && !ps.planes.attribute[p + 1]) ++p;
    return p;
}

uint8_t UpperCase(uint8_t c) {
    if (c >= 'a' && c <= 'z') return uint8_t(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return uint8_t(c - 0x20);
    return c;
}

bool NumericAllows(const Session& s, uint8_t c) {
    if (!s.record.Flag(field::NumericFieldLock) || s.keyboard->shift_down) return true;
    const uint8_t a = GoverningAttribute(s.ps, s.ps.cursor_address);
    if (!(a & fa::Numeric) || (a & fa::Protected)) return true;
    return (c >= '0' && c <= '9') || c == kDupCharacter ||
           (c && kNumericExtras.find(char(c)) != kNumericExtras.npos);
}

// Opens one position at `at` by moving the rest of the field right; false when its last position
// holds a character.
bool MakeRoom(PresentationSpace& ps, uint32_t at) {
    const uint32_t last = FieldEnd(ps, at);
    if (ps.planes.display[last] > 0x20) return false;
    for (uint32_t p = last; p > at; --p) MoveCell(ps, p - 1, p);
    return true;
}

void StoreTyped(Session& s, uint32_t at, uint8_t c) {
    PresentationSpace& ps = s.ps;
    Planes& p = ps.planes;
    p.display[at] = c;
    p.colour[at] = p.highlight[at] = p.charset[at] = 0;
    p.host[at] = DisplayToHost(s, c);
    ps.MarkChanged(at);
    ps.MarkTyped(at);
}

// Nulls left of the cursor become blanks, back to the start of the row (the first column only
// when it is directly left of the cursor).
void PrefixWithSpaces(Session& s, uint32_t at) {
    PresentationSpace& ps = s.ps;
    if (at % ps.columns == 0) return;
    for (uint32_t p = at - 1;; --p) {
        if (ps.planes.display[p] != 0 || ps.planes.attribute[p]) return;
        ps.planes.display[p] = 0x20;
        ps.planes.host[p] = DisplayToHost(s, 0x20);
        ps.MarkChanged(p);
        ps.MarkTyped(p);
        if (p % ps.columns <= 1) return;
    }
}

// The rejection of a typed character; true when the "protect" event macro has run and the
// character is to be tried once more.
bool RejectCharacter(Session& s) {
    s.keyboard->refused_without_host_form = false;
    if (KeyClick(s)) s.view->PlaySound(Sound::Error);
    if (!IsInputError(s.status)) s.saved_status = s.status;
    if (StatusIsKept(s.status)) {
        s.view->RefreshStatusLine();
        return false;
    }
    MacroHook* macros = s.hooks.macros;
    if (macros && !s.keyboard->protect_event_tried &&
        macros->StartEventMacroIfIdle(EventMacro::Protect, std::string())) {
        s.keyboard->protect_event_tried = true;
        return true;
    }
    s.status = SessionStatus::Protected;
    s.view->RefreshStatusLine();
    return false;
}

// Overtype: the cursor leaves a field that ended (autoskip, any attribute, or the end of field).
void SkipAfterTyping(Session& s) {
    PresentationSpace& ps = s.ps;
    KeyboardState& kb = *s.keyboard;
    const bool autoskip_on = s.record.Flag(field::EnableAutoskip);
    const uint8_t here = ps.planes.attribute[ps.cursor_address];
    if (here && ((autoskip_on && (here & fa::Autoskip) == fa::Autoskip) || s.settings.AutoSkipAllFields)) {
        NextInputField(s);
        kb.skipped_to_next_field = true;
    }
    if (!s.record.Flag(field::SkipAtEndOfField) || !IsAttribute(ps, ps.cursor_address)) return;
    for (uint32_t p = ps.cursor_address; p < ps.positions; ++p) {
        const uint8_t a = ps.planes.attribute[p];
        if (!a) {
            ps.cursor_address = p;
            return;
        }
        if (!(a & fa::Protected)) {
            ps.cursor_address = NextAddress(ps, p);
            kb.skipped_to_next_field = true;
            return;
        }
        if (autoskip_on && (a & fa::Autoskip) == fa::Autoskip) {
            ps.cursor_address = NextInputPosition(ps, p);
            kb.skipped_to_next_field = true;
            return;
        }
    }
}

void EraseToFieldEnd(Session& s, uint32_t from, bool to_screen_end) {
    PresentationSpace& ps = s.ps;
    Planes& p = ps.planes;
    const uint8_t erased = ErasedCharacter(s, GoverningAttribute(ps, from));
    const uint32_t last = to_screen_end ? ps.positions - 1 : FieldEnd(ps, from);
    for (uint32_t a = from; a <= last; ++a) {
        p.display[a] = erased;
        p.colour[a] = p.highlight[a] = p.charset[a] = 0;
        p.host[a] = 0;
        ps.typed_since_send[a] = 0;
        ps.MarkChanged(a);
    }
}

void EraseInput(Session& s) {
    PresentationSpace& ps = s.ps;
    Planes& p = ps.planes;
    if (!ps.formatted) {
        EraseScreen(s, ps.size_mode);
        RefreshFieldCount(s);
        CursorHome(s);
        return;
    }
    // Walk once round the screen from the first attribute, so a field that wraps is one field.
    uint32_t first = 0;
    while (first < ps.positions && !p.attribute[first]) ++first;
    if (first == ps.positions) return;
    uint8_t field = 0;
    for (uint32_t n = 0, a = first; n < ps.positions; ++n, a = NextAddress(ps, a)) {
        if (p.attribute[a]) {
            field = p.attribute[a];
            if (!(field & fa::Protected)) p.attribute[a] &= uint8_t(~fa::Mdt);
            continue;
        }
        if (field & fa::Protected) continue;
        p.display[a] = p.highlight[a] = p.charset[a] = p.host[a] = 0;
        ps.typed_since_send[a] = 0;
        ps.MarkChanged(a);
    }
    CursorHome(s);
}

void Backspace(Session& s) {
    PresentationSpace& ps = s.ps;
    const auto option = s.record.Number(s.keyboard->insert_mode ? field::InsertCursorBackspace
                                                                : field::NormalCursorBackspace);
    if (option == 0) {
        CursorStep(s, -1);
        return;
    }
    if (option > 2) return;
    const uint32_t was = ps.cursor_address;
    ps.cursor_address = PreviousAddress(ps, was);
    const int32_t fa = FindFieldAttribute(ps, ps.cursor_address);
    if (IsAttribute(ps, ps.cursor_address) ||
        (fa >= 0 && (ps.planes.attribute[uint32_t(fa)] & fa::Protected))) {
        ps.cursor_address = was;
        InputError(s, SessionStatus::Protected);
        return;
    }
    (void)SetMDTAtCursor(s);
    if (option == 1) {
        s.keyboard->last_typed_position = ps.cursor_address;
        DeleteCharacter(s, ps.cursor_address);
        WordWrap(s, WrapCause::Deleting);
    } else {
        StoreTyped(s, ps.cursor_address, 0x20);
    }
}

void Delete(Session& s) {
    PresentationSpace& ps = s.ps;
    s.keyboard->last_typed_position = ps.cursor_address;
    if (SetMDTAtCursor(s) == MdtResult::Refused) return;
    DeleteCharacter(s, ps.cursor_address);
    WordWrap(s, WrapCause::Deleting);
}

void DeleteWord(Session& s) {
    PresentationSpace& ps = s.ps;
    const Plane& display = ps.planes.display;
    if (SetMDTAtCursor(s) == MdtResult::Refused) return;
    uint32_t p = ps.cursor_address;
    const bool on_word = display[p] > 0x20;
    // The word's start: not back past address 0, where deleting (which never wraps) would take
    // text at the screen's end instead of the word at the cursor.
    bool at_screen_start = false;
    if (on_word) {
        while (p > 0 && display[p] > 0x20) --p;
        at_screen_start = display[p] > 0x20;
    }
    if (!at_screen_start) p = NextAddress(ps, p);
    if (IsAttribute(ps, p)) return;
    for (uint32_t n = 0; n < ps.positions && display[p] > 0x20; ++n) DeleteCharacter(s, p);
    DeleteCharacter(s, p);  // the blank after the word
    // The cursor was inside the word: it stays where the word began.
    if (on_word) ps.cursor_address = p;
    s.keyboard->last_typed_position = ps.cursor_address;
    WordWrap(s, WrapCause::Deleting);
}

void EraseEndOfField(Session& s) {
    const MdtResult r = SetMDTAtCursor(s);
    if (r == MdtResult::Refused) return;
    EraseToFieldEnd(s, s.ps.cursor_address, r == MdtResult::Unformatted);
}

void Insert(Session& s) {
    KeyboardState& kb = *s.keyboard;
    if (!Wang(s)) {
        kb.insert_mode = s.record.Flag(field::ToggleInsertKey) ? !kb.insert_mode : true;
        s.view->RefreshStatusLine();
        return;
    }
    PresentationSpace& ps = s.ps;
    if (SetMDTAtCursor(s) == MdtResult::Refused) return;
    if (!MakeRoom(ps, ps.cursor_address)) {
        s.view->PlaySound(Sound::Error);
        if (!IsInputError(s.status)) s.saved_status = s.status;
        if (!StatusIsKept(s.status)) s.status = SessionStatus::InsertOverflow;
        s.view->RefreshStatusLine();
        return;
    }
    StoreTyped(s, ps.cursor_address,
               ErasedCharacter(s, GoverningAttribute(ps, ps.cursor_address)) ? 0x0B : 0x20);
}

void Reset(Session& s) {
    if (s.status == SessionStatus::History && s.hooks.history) s.hooks.history->RestoreLiveScreen();
    if (s.settings.NoResetClock && s.status == SessionStatus::Locked) return;
    KeyboardState& kb = *s.keyboard;
    kb.insert_mode = false;
    if (!StatusIsKept(s.status)) s.status = SessionStatus::Unlocked;
    if (!s.settings.WordWrapAlways) kb.word_wrap = s.settings.WordWrapDefault != 0;
    s.view->RefreshStatusLine();
}

void CopyPlanes(const Planes& from, Planes& to, size_t n) {
    for (auto [src, dst] : {std::pair{&from.display, &to.display},
                            {&from.attribute, &to.attribute},
                            {&from.colour, &to.colour},
                            {&from.highlight, &to.highlight},
                            {&from.charset, &to.charset},
                            {&from.host, &to.host}})
        std::memcpy(dst->data(), src->data(), n);
}

}  // namespace

void MoveCell(PresentationSpace& ps, uint32_t from, uint32_t to) {
    Planes& p = ps.planes;
    p.display[to] = p.display[from];
    p.colour[to] = p.colour[from];
    p.highlight[to] = p.highlight[from];
    p.charset[to] = p.charset[from];
    p.host[to] = p.host[from];
    ps.typed_since_send[to] = ps.typed_since_send[from];
    ps.MarkChanged(to);
}

MdtResult SetMDTAtCursor(Session& session) {
    PresentationSpace& ps = session.ps;
    const int32_t fa = FindFieldAttribute(ps, ps.cursor_address);
    if (fa < 0) return MdtResult::Unformatted;
    uint8_t& attribute = ps.planes.attribute[uint32_t(fa)];
    if (uint32_t(fa) == ps.cursor_address || (attribute & fa::Protected)) return MdtResult::Refused;
    attribute |= fa::Mdt;
    return MdtResult::Set;
}

void InputError(Session& session, SessionStatus error) {
    session.keyboard->refused_without_host_form = false;
    if (KeyClick(session)) session.view->PlaySound(Sound::Error);
    if (!IsInputError(session.status)) session.saved_status = session.status;
    if (!StatusIsKept(session.status)) session.status = error;
    session.view->RefreshStatusLine();
}

void TypeCharacter(Session& session, uint8_t character) {
    PresentationSpace& ps = session.ps;
    KeyboardState& kb = *session.keyboard;
    if (ps.positions == 0) return;
    if (ps.cursor_address >= ps.positions) ps.cursor_address = 0;
    const uint32_t at = ps.cursor_address;
    kb.last_typed_position = at;
    if (session.selection.shown) {
        session.selection.shown = false;
        session.view->RepaintAll();
    }
    // A dead key's character shown here is replaced, never pushed along by insert mode.
    const bool replaces_dead = kb.dead_character_at == at;
    kb.dead_character_at.reset();

    uint8_t stored = character;
    if ((session.record.Flag(field::AllUpperCase) && session.settings.AllUpperCaseInput) ||
        (Wang(session) && (GoverningAttribute(ps, at) & 0x02)))
        stored = UpperCase(character);
    // A character the host's code page lacks would reach the host as a null: a keyboard without
    // that key cannot type it either. (A dead key's character is replaced by the next one.)
    if (!kb.pending_dead_key && stored != 0 && DisplayToHost(session, stored) == 0) {
        InputError(session, SessionStatus::Protected);
        kb.refused_without_host_form = true;
        return;
    }

    bool allowed = NumericAllows(session, character);
    while (!allowed || SetMDTAtCursor(session) == MdtResult::Refused) {
        if (!RejectCharacter(session)) return;
        allowed = true;  // tried once more after the event macro, from the field check on
    }

    if (kb.insert_mode && !Wang(session) && !replaces_dead && !MakeRoom(ps, at)) {
        InputError(session, SessionStatus::InsertOverflow);
        return;
    }
    if (session.record.Flag(field::PrefixInputWithSpaces)) PrefixWithSpaces(session, at);
    StoreTyped(session, at, stored);

    if (kb.pending_dead_key) {
        kb.dead_character_at = at;
    } else {
        ps.cursor_address = NextAddress(ps, at);
        if (!kb.insert_mode && character != kDupCharacter) SkipAfterTyping(session);
    }
    WordWrap(session, WrapCause::Typing);
    if (character == kDupCharacter) {
        NextInputField(session);
        kb.skipped_to_next_field = true;
    }
    session.view->RepaintChangedRows();
    session.view->CursorMoved();
}

void DeleteCharacter(Session& session, uint32_t address) {
    PresentationSpace& ps = session.ps;
    if (address >= ps.positions || ps.planes.attribute[address]) return;
    uint32_t p = address;
    for (; p + 1 < ps.positions && !ps.planes.attribute[p + 1]; ++p) MoveCell(ps, p + 1, p);
    ps.planes.display[p] = ErasedCharacter(session, GoverningAttribute(ps, address));
    ps.planes.host[p] = 0;
    ps.typed_since_send[p] = 0;
    ps.MarkChanged(p);
}

void Undo(Session& session) {
    PresentationSpace& ps = session.ps;
    DataStreamState& ds = session.ds;
    UndoState& undo = session.keyboard->undo;
    const ScreenSnapshot* host = ds.unlock_snapshot.get();
    if (!host || !ds.unlock_swap_enabled || host->positions != ps.positions) return;
    // Edits saved for an earlier host screen must never come back over a newer one.
    const bool first = undo.edited || !undo.edits || undo.unlock_counter != ds.unlock_counter;
    if (first) {
        if (!undo.edits) undo.edits = std::make_unique<ScreenSnapshot>();
        CopyPlanes(ps.planes, undo.edits->planes, ps.positions);
        undo.edits->positions = ps.positions;
        undo.edits->cursor_address = ps.cursor_address;
        undo.unlock_counter = ds.unlock_counter;
        undo.edited = false;
        undo.showing_host = false;
    }
    const ScreenSnapshot& shown = undo.showing_host ? *undo.edits : *host;
    CopyPlanes(shown.planes, ps.planes, ps.positions);
    ps.cursor_address = shown.cursor_address < ps.positions ? shown.cursor_address : 0;
    undo.showing_host = !undo.showing_host;
    RefreshFieldCount(session);
    ps.MarkAllChanged();
    session.view->RepaintAll();
    session.view->CursorMoved();
}

bool RunFieldEdit(Session& session, uint8_t number) {
    PresentationSpace& ps = session.ps;
    if (ps.positions == 0) return true;
    if (ps.cursor_address >= ps.positions) ps.cursor_address = 0;
    const int columns = int(ps.columns);
    switch (number) {
        case edit_fn::Backspace:
            Backspace(session);
            break;
        case edit_fn::BackTab:
            PreviousInputField(session);
            break;
        case edit_fn::Delete:
            Delete(session);
            break;
        case edit_fn::DeleteWord:
            DeleteWord(session);
            break;
        case edit_fn::CursorDown:
            CursorStep(session, columns);
            break;
        case edit_fn::CursorDown2:
            CursorStep(session, 2 * columns);
            break;
        case edit_fn::Dup:
            TypeCharacter(session, kDupCharacter);
            return true;
        case edit_fn::EndOfField:
            CursorEndOfField(session);
            break;
        case edit_fn::EraseEOF:
            EraseEndOfField(session);
            break;
        case edit_fn::EraseInput:
            EraseInput(session);
            break;
        case edit_fn::FieldMark:
            TypeCharacter(session, kFieldMarkCharacter);
            return true;
        case edit_fn::Home:
            CursorHome(session);
            break;
        case edit_fn::Insert:
            Insert(session);
            break;
        case edit_fn::CursorLeft:
            CursorStep(session, -1);
            break;
        case edit_fn::CursorLeft2:
            CursorStep(session, -2);
            break;
        case edit_fn::NewLine:
            CursorNewLine(session);
            break;
        case edit_fn::Reset:
            Reset(session);
            break;
        case edit_fn::CursorRight:
            CursorStep(session, 1);
            break;
        case edit_fn::CursorRight2:
            CursorStep(session, 2);
            break;
        case edit_fn::Tab:
            NextInputField(session);
            break;
        case edit_fn::CursorUp:
            CursorStep(session, -columns);
            break;
        case edit_fn::CursorUp2:
            CursorStep(session, -2 * columns);
            break;
        case edit_fn::PreviousWord:
            CursorPreviousWord(session);
            break;
        case edit_fn::NextWord:
            CursorNextWord(session);
            break;
        case edit_fn::LastLineStart:
            CursorLastLineStart(session);
            break;
        case edit_fn::PreviousLineStart:
            CursorPreviousLineStart(session);
            break;
        case edit_fn::Undo:
            Undo(session);
            return true;
        case edit_fn::LineStart:
            CursorLineStart(session);
            break;
        default:
            return false;
    }
    session.view->RepaintChangedRows();
    session.view->CursorMoved();
    return true;
}

}  // namespace orkan
