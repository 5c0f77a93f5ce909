// Clipboard text pasted in every form onto a screen of protected and unprotected fields, with a
// selection and the paste options chosen by the first four bytes; then copied back. The rest of
// the input is the clipboard's UTF-8 text.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "clipboard/clipboard.h"
#include "clipboard/copying.h"
#include "clipboard/find.h"
#include "clipboard/pasting.h"
#include "ds3270/fields.h"
#include "harness.h"
#include "keyboard/keyboard.h"
#include "session/session.h"

namespace {

using namespace orkan;

void BuildScreen(Session& s, uint8_t rows, uint8_t columns) {
    PresentationSpace& ps = s.ps;
    ps.rows = rows;
    ps.columns = columns;
    ps.positions = ps.used_extent = uint32_t(rows) * columns;
    for (uint32_t a = 0; a < ps.positions; ++a) {
        ps.planes.display[a] = uint8_t('A' + a % 26);
        if (a % 13 == 5) {
            ps.planes.attribute[a] = uint8_t(fa::Present | ((a / 13) % 3 == 0 ? fa::Protected : 0) |
                                             ((a / 13) % 4 == 1 ? fa::NonDisplay : 0));
            ps.planes.display[a] = 0x20;
        }
    }
    for (int c = 0x20; c < 0x100; ++c) s.charset.display_to_host[c] = c == 0x80 ? 0 : uint8_t(c);
    RefreshFieldCount(s);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const uint8_t form = data[0], options = data[1], where = data[2], shape = data[3];
    fuzz::QuietUi ui;
    ui.agree = options & 0x80;
    auto session = std::make_unique<Session>(ui);
    Session& s = *session;
    Keyboard keyboard{s};
    Clipboard clipboard(s);
    ClipboardState& clip = clipboard.state();
    BuildScreen(s, uint8_t(1 + shape % 30), uint8_t(1 + (shape / 8) % 90 + (where & 1) * 40));
    s.record.SetNumber(field::Paste, options & 3);
    s.record.SetNumber(field::CutDelete, (options >> 2) & 1);
    s.record.SetNumber(field::NumberOfCopyBuffers, (options >> 3) & 7);
    s.record.SetNumber(field::NotifyUserOnInsertError, 1);
    s.record.SetNumber(field::MoveCursorToEndOnPaste, (options >> 6) & 1);
    s.record.SetNumber(field::PrefixInputWithSpaces, (options >> 5) & 1);
    s.settings.CopyBufferSize = 1 + (options & 1);
    s.ps.cursor_address = uint32_t(where) * 7 % s.ps.positions;
    const uint32_t r = where % s.ps.rows, c = (where * 3u) % s.ps.columns;
    s.selection = {bool(form & 0x10), r, c, uint32_t(shape) % s.ps.rows, uint32_t(where / 2) % s.ps.columns};

    ui.SetClipboardText(std::string(reinterpret_cast<const char*>(data + 4), size - 4));
    constexpr PasteForm kForms[] = {PasteForm::Paste,  PasteForm::Overlay, PasteForm::Insert,
                                    PasteForm::Field,  PasteForm::Window,  PasteForm::Flow,
                                    PasteForm::Repeat, PasteForm::Jcl};
    RunPaste(s, clip, kForms[form % 8]);
    RunPaste(s, clip, PasteForm::Continue);
    RunPaste(s, clip, kForms[(form >> 5) % 8]);
    s.selection.shown = true;
    (void)CopySelection(s, clip, form & 0x80 ? CopyKind::Cut : CopyKind::Fields);
    (void)CopySelection(s, clip, CopyKind::Append);
    (void)FindAndMark(s, std::string(reinterpret_cast<const char*>(data + 4), (size - 4) % 12), options);
    return 0;
}
