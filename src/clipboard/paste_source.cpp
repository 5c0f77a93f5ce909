// Where a paste's text comes from: the clipboard, a copy buffer of the paste-repeat cycle or a
// macro; and the reflowing of Paste Flow and Paste Window.
#include <algorithm>

#include "clipboard/clipboard_text.h"
#include "clipboard/copying.h"
#include "clipboard/pasting.h"
#include "session/session.h"

namespace orkan {
namespace {

void TakeCycleSnapshot(Session& s, ClipboardState& clip) {
    auto snap = std::make_unique<ScreenSnapshot>();
    snap->planes = s.ps.planes;
    snap->positions = s.ps.positions;
    snap->cursor_address = s.ps.cursor_address;
    clip.cycle_snapshot = std::move(snap);
}

// A repeated paste replaces the one before it.
void RestoreCycleSnapshot(Session& s, ClipboardState& clip) {
    const ScreenSnapshot* snap = clip.cycle_snapshot.get();
    if (!snap || snap->positions != s.ps.positions) return;
    s.ps.planes = snap->planes;
    s.ps.cursor_address = snap->cursor_address;
    s.ps.MarkAllChanged();
}

size_t LineEnd(std::string_view text, size_t from) {
    const size_t e = text.find_first_of("\r\n", from);
    return e == text.npos ? text.size() : e;
}

size_t NextLine(std::string_view text, size_t end) {
    if (end >= text.size()) return text.size();
    return text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? end + 2 : end + 1;
}

}  // namespace

void EndPasteCycle(Session& session, ClipboardState& clip) {
    if (clip.cycle_ended) return;
    clip.cycle_ended = true;
    clip.cycle_snapshot.reset();
    clip.paste_counter = 0;
    session.view->RefreshStatusLine();
}

int PasteRepeatBuffer(const ClipboardState& clip) {
    return clip.cycle_ended || clip.paste_counter == 0 ? -1 : int(clip.paste_counter);
}

bool GetPasteText(Session& session, ClipboardState& clip, const std::string* macro_text) {
    std::string text;
    if (macro_text) {
        clip.paste_counter = 0;
        text = *macro_text;
    } else {
        std::vector<std::string>& buffers = CopyBuffers(session, clip);
        // A cursor moved by other means than a key (a macro, the API) since the last paste of
        // the cycle: the user pastes somewhere else, not again.
        if (!clip.cycle_ended && session.ps.cursor_address != clip.cycle_cursor) EndPasteCycle(session, clip);
        const bool first = clip.cycle_ended;
        uint32_t counter = first ? 1 : clip.paste_counter + 1;
        const bool wrapped = counter > buffers.size();
        if (wrapped) counter = 1;
        if (counter == 1) {
            // Read before anything changes: a paste refused or cancelled at the question leaves
            // the screen as it is and starts no cycle.
            // Cut to a copy buffer before the question, which counts only what is pasted.
            auto outside = ReadPasteText(session, CopyBufferSize(session) - 1);
            if (!outside) {
                EndPasteCycle(session, clip);
                return false;
            }
            buffers[0] = std::move(*outside);
        }
        if (first) {
            TakeCycleSnapshot(session, clip);
            clip.cycle_ended = false;
        } else {
            RestoreCycleSnapshot(session, clip);
        }
        clip.paste_counter = counter;
        if (wrapped) session.view->RepaintAll();
        session.view->RefreshStatusLine();
        text = buffers[counter - 1];
        if (text.empty()) text = buffers[0];
    }
    if (text.empty()) return false;
    PlainQuotes(text);
    clip.single_line_length = text.find_first_of("\r\n") == text.npos ? text.size() : 0;
    clip.paste_text = std::move(text);
    clip.continuation.reset();
    return true;
}

std::string FlowText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        if (ch == '\r') continue;
        if (ch == '\n') ch = ' ';
        if (ch == ' ' && (out.empty() || out.back() == ' ')) continue;
        out.push_back(ch);
    }
    return out;
}

std::string BreakIntoLines(std::string_view text, uint32_t width) {
    std::string out;
    if (width == 0) return out;
    bool first = true;
    const auto emit = [&](std::string_view line) {
        if (!first) out += "\r\n";
        first = false;
        out.append(line);
    };
    for (size_t pos = 0; pos <= text.size();) {
        const size_t end = LineEnd(text, pos);
        std::string_view line = text.substr(pos, end - pos);
        while (line.size() > width) {
            const size_t blank = line.rfind(' ', width);
            if (blank == line.npos) {
                emit(line.substr(0, width));
                line.remove_prefix(width);
            } else if (blank == 0) {
                line.remove_prefix(1);
            } else {
                emit(line.substr(0, blank));
                line.remove_prefix(blank + 1);
            }
        }
        emit(line);
        if (end >= text.size()) break;
        pos = NextLine(text, end);
    }
    return out;
}

}  // namespace orkan
