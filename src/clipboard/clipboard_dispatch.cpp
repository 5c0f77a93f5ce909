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

void ClipboardHooks::AfterHostWrite() {
    if (session) EndPasteCycle(*session);
}

void ClipboardHooks::FindAgainAfterScreen() {
    // Called directly, never as a key: a key would pass admission and empty the type-ahead queue
    // before its replay.
    if (session && (session->clipboard.active_find & find_option::EveryScreen)) FindRepeat(*session);
}

void AttachClipboard(Session& session) {
    session.clipboard.hooks.session = &session;
    session.hooks.clipboard = &session.clipboard.hooks;
    session.hooks.find = &session.clipboard.hooks;
}

void NoteKeyFunction(Session& session, uint16_t code) {
    if (session.clipboard.typing_paste) return;
    if (CategoryOf(code) == KeyCategory::Edit && ContinuesPasteCycle(NumberOf(code))) return;
    EndPasteCycle(session);
}

bool RunClipboardEdit(Session& session, uint8_t number) {
    Session& s = session;
    switch (number) {
        case fn::Copy:
            (void)CopySelection(s, CopyKind::Copy);
            return true;
        case fn::Cut:
            (void)CopySelection(s, CopyKind::Cut);
            return true;
        case fn::CopyAppend:
            (void)CopySelection(s, CopyKind::Append);
            return true;
        case fn::CopyAppendNoCr:
            (void)CopySelection(s, CopyKind::AppendNoCr);
            return true;
        case fn::CopyFields:
            (void)CopySelection(s, CopyKind::Fields);
            return true;
        case fn::CopyTruncate:
            (void)CopySelection(s, CopyKind::Truncate);
            return true;
        case fn::ClearCopyBuffers:
            ClearCopyBuffers(s);
            return true;

        case fn::Paste:
            RunPaste(s, PasteForm::Paste);
            return true;
        case fn::PasteOverlay:
            RunPaste(s, PasteForm::Overlay);
            return true;
        case fn::PasteInsert:
            RunPaste(s, PasteForm::Insert);
            return true;
        case fn::PasteField:
            RunPaste(s, PasteForm::Field);
            return true;
        case fn::PasteByTyping:
            RunPaste(s, PasteForm::ByTyping);
            return true;
        case fn::PasteWindow:
            RunPaste(s, PasteForm::Window);
            return true;
        case fn::PasteFlow:
            RunPaste(s, PasteForm::Flow);
            return true;
        case fn::PasteRepeat:
            RunPaste(s, PasteForm::Repeat);
            return true;
        case fn::PasteContinue:
            RunPaste(s, PasteForm::Continue);
            return true;
        case fn::PasteJcl:
            RunPaste(s, PasteForm::Jcl);
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
            MarkSelectionStart(s);
            return true;
        case fn::SelectToMark:
            SelectToMark(s);
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
            OpenEditingMenu(s);
            return true;
        case fn::Find:
            OpenFindDialog(s);
            return true;
        case fn::FindRepeat:
            FindRepeat(s);
            return true;
        case fn::FindClear:
            FindClear(s);
            return true;
        default:
            return false;
    }
}

std::vector<MenuItem> EditingMenu(const Session& session) {
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
    if (session.clipboard.continuation) {
        items.push_back({"Paste Continue", MenuCode(fn::PasteContinue), true});
        added = true;
    }
    if (added) items.push_back({"", 0, true});
    items.push_back({"Select All", MenuCode(fn::SelectAll), !shown});
    return items;
}

void OpenEditingMenu(Session& session) {
    std::optional<uint16_t> chosen;
    {
        // The menu is the user's, whoever opened it.
        NoMacroActing menu(session.macro_gate);
        chosen = session.ui.ChooseFromMenu(EditingMenu(session));
    }
    if (chosen) ExecuteKey(session, *chosen, true);
}

void MouseSelectionFinished(Session& session, bool ctrl_held) {
    if (!session.selection.shown || !session.record.Flag(field::EnableAutoCutCopy)) return;
    (void)CopySelection(session, ctrl_held ? CopyKind::Cut : CopyKind::Copy);
}

}  // namespace orkan
