// The Edit key functions of selecting, copying, pasting and finding, the editing context menu and
// the hooks that follow the host's screens.
#include "clipboard/clipboard.h"
#include "clipboard/copying.h"
#include "clipboard/find.h"
#include "clipboard/pasting.h"
#include "clipboard/selecting.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "session/session.h"

namespace orkan {
namespace {

namespace fn {
inline constexpr uint8_t Copy = 3, Cut = 4, Delete = 5, PasteOverlay = 20, SelectAll = 24, SelectField = 25,
                         SelectLine = 26, SelectWord = 27, Undo = 36, ClearCopyBuffers = 37, PasteRepeat = 39,
                         PasteField = 40, Paste = 41, MarkSelectionStart = 42, SelectToMark = 43,
                         PasteContinue = 44, PasteWindow = 45, CopyAppend = 46, ContextMenu = 47,
                         ExtendUp = 48, ExtendDown = 49, ExtendLeft = 50, ExtendRight = 51, SelectJcl = 52,
                         SelectText = 53, PasteJcl = 54, PasteInsert = 56, CopyFields = 57, Find = 58,
                         FindRepeat = 59, FindClear = 60, PasteFlow = 61, PasteByTyping = 62,
                         CopyAppendNoCr = 63, CopyTruncate = 65;
}  // namespace fn

uint16_t MenuCode(uint8_t number) {
    return MakeKeyCode(KeyCategory::Edit, number, kKeyWorksWhileLocked);
}

}  // namespace

Clipboard::Clipboard(Session& session) : session_(session) {
    session.hooks.clipboard = this;
    session.hooks.find = this;
}

Clipboard::~Clipboard() {
    if (session_.hooks.clipboard == this) session_.hooks.clipboard = nullptr;
    if (session_.hooks.find == this) session_.hooks.find = nullptr;
}

void Clipboard::AfterHostWrite() {
    EndPasteCycle(session_, state_);
}

void Clipboard::KeyFunction(uint16_t code) {
    NoteKeyFunction(session_, state_, code);
}

bool Clipboard::RunEdit(uint8_t number) {
    return RunClipboardEdit(session_, state_, number);
}

void Clipboard::PasteByTyping() {
    RunPaste(session_, state_, PasteForm::ByTyping);
}

void Clipboard::ClearSelectionArea() {
    orkan::ClearSelectionArea(session_);
}

int Clipboard::PasteRepeatBuffer() const {
    return orkan::PasteRepeatBuffer(state_);
}

void Clipboard::MouseSelectionFinished(bool ctrl_held) {
    if (!session_.selection.shown || !session_.record.Flag(field::EnableAutoCutCopy)) return;
    (void)CopySelection(session_, state_, ctrl_held ? CopyKind::Cut : CopyKind::Copy);
}

void Clipboard::FindAgainAfterScreen() {
    // Called directly, never as a key: a key would pass admission and empty the type-ahead queue
    // before its replay.
    if (state_.active_find & find_option::EveryScreen) FindRepeat(session_, state_);
}

void Clipboard::FindText(std::string_view text, uint8_t options) {
    FinishFindDialog(session_, state_, FindDialogAnswer{true, std::string(text), options});
}

void NoteKeyFunction(Session& session, ClipboardState& clip, uint16_t code) {
    if (clip.typing_paste) return;
    if (CategoryOf(code) == KeyCategory::Edit && ContinuesPasteCycle(NumberOf(code))) return;
    EndPasteCycle(session, clip);
}

bool RunClipboardEdit(Session& session, ClipboardState& clip, uint8_t number) {
    Session& s = session;
    switch (number) {
        case fn::Copy:
            (void)CopySelection(s, clip, CopyKind::Copy);
            return true;
        case fn::Cut:
            (void)CopySelection(s, clip, CopyKind::Cut);
            return true;
        case fn::CopyAppend:
            (void)CopySelection(s, clip, CopyKind::Append);
            return true;
        case fn::CopyAppendNoCr:
            (void)CopySelection(s, clip, CopyKind::AppendNoCr);
            return true;
        case fn::CopyFields:
            (void)CopySelection(s, clip, CopyKind::Fields);
            return true;
        case fn::CopyTruncate:
            (void)CopySelection(s, clip, CopyKind::Truncate);
            return true;
        case fn::ClearCopyBuffers:
            ClearCopyBuffers(s, clip);
            return true;

        case fn::Paste:
            RunPaste(s, clip, PasteForm::Paste);
            return true;
        case fn::PasteOverlay:
            RunPaste(s, clip, PasteForm::Overlay);
            return true;
        case fn::PasteInsert:
            RunPaste(s, clip, PasteForm::Insert);
            return true;
        case fn::PasteField:
            RunPaste(s, clip, PasteForm::Field);
            return true;
        case fn::PasteByTyping:
            RunPaste(s, clip, PasteForm::ByTyping);
            return true;
        case fn::PasteWindow:
            RunPaste(s, clip, PasteForm::Window);
            return true;
        case fn::PasteFlow:
            RunPaste(s, clip, PasteForm::Flow);
            return true;
        case fn::PasteRepeat:
            RunPaste(s, clip, PasteForm::Repeat);
            return true;
        case fn::PasteContinue:
            RunPaste(s, clip, PasteForm::Continue);
            return true;
        case fn::PasteJcl:
            RunPaste(s, clip, PasteForm::Jcl);
            return true;

        case fn::SelectAll:
            SelectAll(s);
            return true;
        case fn::SelectField:
            SelectField(s);
            return true;
        case fn::SelectLine:
            SelectLine(s);
            return true;
        case fn::SelectWord:
            (void)SelectWord(s);
            return true;
        case fn::SelectJcl:
            SelectJcl(s);
            return true;
        case fn::SelectText:
            SelectText(s);
            return true;
        case fn::MarkSelectionStart:
            MarkSelectionStart(s, clip);
            return true;
        case fn::SelectToMark:
            SelectToMark(s, clip);
            return true;
        case fn::ExtendUp:
            ExtendSelection(s, Direction::Up);
            return true;
        case fn::ExtendDown:
            ExtendSelection(s, Direction::Down);
            return true;
        case fn::ExtendLeft:
            ExtendSelection(s, Direction::Left);
            return true;
        case fn::ExtendRight:
            ExtendSelection(s, Direction::Right);
            return true;

        case fn::ContextMenu:
            OpenEditingMenu(s, clip);
            return true;
        case fn::Find:
            OpenFindDialog(s, clip);
            return true;
        case fn::FindRepeat:
            FindRepeat(s, clip);
            return true;
        case fn::FindClear:
            FindClear(s, clip);
            return true;
        default:
            return false;
    }
}

std::vector<MenuItem> EditingMenu(const Session& session, const ClipboardState& clip) {
    const bool shown = session.selection.shown;
    std::vector<MenuItem> items = {
        {"Undo", MenuCode(fn::Undo), true},      {"Cut", MenuCode(fn::Cut), shown},
        {"Copy", MenuCode(fn::Copy), shown},     {"Paste", MenuCode(fn::Paste), !shown},
        {"Delete", MenuCode(fn::Delete), shown}, {"", 0, true},
    };
    bool added = false;
    if (!session.ui.ClipboardText().empty()) {
        items.push_back({"Copy Append", MenuCode(fn::CopyAppend), true});
        added = true;
    }
    if (clip.continuation) {
        items.push_back({"Paste Continue", MenuCode(fn::PasteContinue), true});
        added = true;
    }
    if (added) items.push_back({"", 0, true});
    items.push_back({"Select All", MenuCode(fn::SelectAll), !shown});
    return items;
}

void OpenEditingMenu(Session& session, const ClipboardState& clip) {
    std::optional<uint16_t> chosen;
    {
        // The menu is the user's, whoever opened it.
        NoMacroActing menu(session.macro_gate);
        chosen = session.ui.ChooseFromMenu(EditingMenu(session, clip));
    }
    if (chosen) ExecuteKey(session, *chosen, true);
}

}  // namespace orkan
