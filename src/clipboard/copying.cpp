#include "clipboard/copying.h"

#include <algorithm>
#include <optional>

#include "clipboard/clipboard_text.h"
#include "clipboard/screen_cells.h"
#include "ds3270/fields.h"
#include "session/session.h"

namespace orkan {
namespace {

constexpr int kDefaultCopyBufferThousands = 64;
constexpr int kLargestCopyBufferThousands = 16000;  // 16 MB: beyond any screen or clipboard use

void ShowBufferFull(Session& s) {
    s.ui.ShowMessage({"Copy Buffer is Full",
                      "Copy Buffer is full (" + std::to_string(CopyBufferSize(s)) +
                          " bytes max)\nThe last CopyAppend has been truncated",
                      Buttons::Ok, Icon::Warning});
}

// Appends within the buffer's room; false (and the message) when it is full.
class BufferWriter {
  public:
    BufferWriter(Session& s, std::string& out) : s_(s), out_(out), room_(CopyBufferSize(s) - 1) {}
    bool Put(std::string_view text) {
        if (full_) return false;
        if (out_.size() + text.size() > room_) {
            out_.append(text.substr(0, room_ - std::min(room_, out_.size())));
            full_ = true;
            ShowBufferFull(s_);
            return false;
        }
        out_.append(text);
        return true;
    }
    bool Full() const { return full_; }
    void Overflowed() {
        full_ = true;
        ShowBufferFull(s_);
    }

  private:
    Session& s_;
    std::string& out_;
    size_t room_;
    bool full_ = false;
};

// The character copy shows for one cell.
uint8_t CopiedCharacter(const Session& s, uint32_t a, uint8_t field_attribute, uint8_t field_highlight) {
    const Planes& p = s.ps.planes;
    uint8_t attribute = field_attribute;
    if (s.settings.CopyPasswords) attribute &= uint8_t(~fa::DisplayMask);
    const uint8_t c = CellText(p.display[a], attribute, p.charset[a]);
    if (c == 0x20 && s.settings.CopyUnderscores && !p.attribute[a] &&
        ((p.highlight[a] | field_highlight) & hl::Underscore))
        return '_';
    return c;
}

// The rectangle's text, rows joined by CR LF.
void CopyRect(Session& s, const CellRect& r, bool fields, bool truncate, BufferWriter& out) {
    const PresentationSpace& ps = s.ps;
    const Planes& p = ps.planes;
    for (uint32_t row = r.top; row <= r.bottom && !out.Full(); ++row) {
        const uint32_t base = row * ps.columns;
        const auto fa = FieldAttributeAddress(ps, base + r.left);
        uint8_t attribute = fa ? p.attribute[*fa] : 0;
        uint8_t highlight = fa ? p.highlight[*fa] : 0;
        std::string line;
        for (uint32_t col = r.left; col <= r.right; ++col) {
            const uint32_t a = base + col;
            if (p.attribute[a]) {
                attribute = p.attribute[a];
                highlight = p.highlight[a];
            }
            line.push_back(char(CopiedCharacter(s, a, attribute, highlight)));
            if (fields && p.attribute[a] && col != r.left && col != r.right) line.push_back('\t');
        }
        if (truncate) line.erase(line.find_last_not_of(' ') + 1);
        if (row != r.bottom) line += "\r\n";
        if (!out.Put(line)) return;
    }
}

}  // namespace

size_t CopyBufferSize(const Session& session) {
    int k = session.settings.CopyBufferSize;
    if (k <= 0) k = kDefaultCopyBufferThousands;
    return size_t(std::min(k, kLargestCopyBufferThousands)) * 1000;
}

size_t CopyBufferCount(const Session& session) {
    return std::max<size_t>(1, std::min<size_t>(9, session.record.Number(field::NumberOfCopyBuffers)));
}

std::vector<std::string>& CopyBuffers(const Session& session, ClipboardState& clip) {
    std::vector<std::string>& b = clip.buffers;
    b.resize(CopyBufferCount(session));
    return b;
}

bool CopySelection(Session& session, ClipboardState& clip, CopyKind kind, const std::string* macro_text) {
    const bool append = kind == CopyKind::Append || kind == CopyKind::AppendNoCr;
    const auto rect = SelectedRect(session);
    if (!macro_text && !rect && !append) return false;
    std::vector<std::string>& buffers = CopyBuffers(session, clip);
    const size_t room = CopyBufferSize(session) - 1;

    std::string built;
    BufferWriter out(session, built);
    // The clipboard's own text is kept as it is: nothing of it goes to the host.
    std::optional<ClipboardStart> previous;
    if (append) {
        previous = ReadClipboardStart(session, room);
        if (!previous) return false;
        built = previous->display;
        if (previous->cut)
            out.Overflowed();
        else if (kind == CopyKind::Append && !built.empty() && built.back() != '\n')
            (void)out.Put("\r\n");
    }
    const bool fields = kind == CopyKind::Fields || (append && clip.last_copy == CopyKind::Fields);
    if (!macro_text) {
        for (size_t k = buffers.size() - 1; k >= 1; --k) {
            buffers[k] = std::move(buffers[k - 1]);
            if (buffers[k].size() > room) buffers[k].resize(room);
        }
        if (rect) CopyRect(session, *rect, fields, kind == CopyKind::Truncate, out);
    } else {
        (void)out.Put(*macro_text);
    }
    if (previous)
        WriteClipboardText(session, previous->utf8, std::string_view(built).substr(previous->display.size()));
    else
        WriteClipboardText(session, built);
    buffers[0] = std::move(built);
    if (kind == CopyKind::Cut && rect) {
        ClearSelectionArea(session);
        if (session.settings.MoveCursorOnCut) {
            session.ps.cursor_address = rect->top * session.ps.columns + rect->left;
            session.view->CursorMoved();
        }
    }
    if (kind != CopyKind::Append && kind != CopyKind::AppendNoCr) clip.last_copy = kind;
    return true;
}

void ClearSelectionArea(Session& session) {
    const auto rect = SelectedRect(session);
    if (!rect) return;
    PresentationSpace& ps = session.ps;
    Planes& p = ps.planes;
    const uint8_t cleared = session.record.Flag(field::CutDelete) ? 0x20 : 0x00;
    for (uint32_t row = rect->top; row <= rect->bottom; ++row) {
        const uint32_t base = row * ps.columns;
        auto fa = FieldAttributeAddress(ps, base + rect->left);
        for (uint32_t col = rect->left; col <= rect->right; ++col) {
            const uint32_t a = base + col;
            if (p.attribute[a]) {
                fa = a;
                continue;
            }
            if (fa && (p.attribute[*fa] & fa::Protected)) continue;
            StoreCell(session, a, cleared, fa ? p.colour[*fa] : 0);
            if (fa) p.attribute[*fa] |= fa::Mdt;
        }
    }
    session.selection.shown = false;
    session.view->RepaintAll();
    session.view->RefreshStatusLine();
}

void ClearCopyBuffers(Session& session, ClipboardState& clip) {
    for (std::string& b : CopyBuffers(session, clip)) b.clear();
    WriteClipboardText(session, "");
    clip.continuation.reset();
}

}  // namespace orkan
