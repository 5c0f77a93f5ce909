// Every form of Paste: the text it takes (clipboard or copy buffer, the paste-repeat cycle), the
// writers that put it on the screen (overlay, one line per field, insert, window, by typing, JCL)
// and Paste Continue, which writes the rest of the last paste the same way.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "clipboard/clipboard_state.h"

namespace orkan {

struct Session;

enum class PasteForm : uint8_t {
    Paste,
    Overlay,
    Insert,
    Field,
    ByTyping,
    Window,
    Flow,
    Repeat,
    Continue,
    Jcl
};

// Runs one paste form. `macro_text` is a macro's text to paste instead of the clipboard; it takes
// no part in the paste-repeat cycle and asks no questions.
void RunPaste(Session& session, ClipboardState& clip, PasteForm form,
              const std::string* macro_text = nullptr);

// The Edit functions that continue a paste-repeat cycle; every other key function ends it.
constexpr bool ContinuesPasteCycle(uint8_t edit_number) {
    switch (edit_number) {
        case 20:
        case 21:
        case 39:
        case 40:
        case 41:
        case 54:
        case 56:
        case 62:
            return true;
        default:
            return false;
    }
}
void EndPasteCycle(Session& session, ClipboardState& clip);
// The copy buffer the current cycle pasted last (1..9), -1 outside a cycle: for the status line.
int PasteRepeatBuffer(const ClipboardState& clip);

// Text preparation, public for tests.
// The paste text into clip.paste_text; false when there is nothing to paste.
[[nodiscard]] bool GetPasteText(Session& session, ClipboardState& clip, const std::string* macro_text);
// Paste Flow's reflow: one paragraph, single blanks.
std::string FlowText(std::string_view text);
// Lines no longer than `width`, broken at blanks where possible, joined by CR LF.
std::string BreakIntoLines(std::string_view text, uint32_t width);

// Writers over clip.paste_text from offset `from`; each leaves the continuation.
inline constexpr uint32_t kNoRowLimit = 255;
struct OverlayResult {
    uint32_t last_row = 0;
    uint32_t rows = 0;  // rows written to
};
OverlayResult PasteOverlay(Session& session, ClipboardState& clip, size_t from, uint32_t row_limit);
void PasteField(Session& session, ClipboardState& clip, size_t from);
void PasteInsert(Session& session, ClipboardState& clip, size_t from, bool ask);
void PasteByTyping(Session& session, ClipboardState& clip, size_t from);

}  // namespace orkan
