#include "ds3270/inbound.h"

#include <algorithm>

#include "ds3270/addressing.h"
#include "ds3270/fields.h"
#include "ds3270/host_translation.h"
#include "session/session.h"

namespace orkan {
namespace {

namespace code {
inline constexpr uint8_t GE = 0x08;
inline constexpr uint8_t SBA = 0x11;
inline constexpr uint8_t SF = 0x1D;
inline constexpr uint8_t SA = 0x28;
inline constexpr uint8_t SFE = 0x29;
}  // namespace code

inline constexpr uint8_t kMaskCharacter = 'X';

void Send(Session& session, std::span<const uint8_t> record, unsigned flags) {
    if (session.sender) session.sender->SendRecord(record, flags);
}

void RecordSendTime(Session& session) {
    session.ds.last_timed_send_ms = session.clock->NowMs();
}

void AppendAddress(std::vector<uint8_t>& out, const PresentationSpace& ps, uint32_t address) {
    const EncodedAddress e = EncodeBufferAddress(ps, address);
    out.push_back(e.b1);
    out.push_back(e.b2);
}

// The SSCP-LU reply: what the user typed since the last send, no AID, no address.
std::vector<uint8_t> BuildSscpLuInput(Session& session) {
    PresentationSpace& ps = session.ps;
    std::vector<uint8_t> out;
    for (uint32_t a = 0; a < ps.positions; ++a) {
        const uint8_t c = ps.planes.display[a];
        if (c && ps.typed_since_send[a])
            out.push_back(DisplayToHostByte(session.charset, session.link.ascii_host, c));
    }
    return out;
}

}  // namespace

std::vector<uint8_t> BuildReadModified(Session& session, uint8_t aid, bool masked) {
    const PresentationSpace& ps = session.ps;
    const Planes& p = ps.planes;
    const AsciiHost mode = session.link.ascii_host;
    std::vector<uint8_t> out;
    out.reserve(3 + ps.positions);
    out.push_back(aid);
    AppendAddress(out, ps, ps.cursor_address);

    auto append_cell = [&](uint32_t a, bool hidden) {
        const uint8_t c = p.display[a];
        if (c == 0) return;
        if (hidden && masked) {
            out.push_back(DisplayToHostByte(session.charset, mode, kMaskCharacter));
        } else if (p.charset[a] == kGraphicEscapeSet) {
            out.push_back(code::GE);
            out.push_back(c);
        } else {
            out.push_back(DisplayToHostByte(session.charset, mode, c));
        }
    };

    const bool formatted =
        std::any_of(p.attribute.begin(), p.attribute.begin() + ps.positions, [](uint8_t a) { return a; });
    if (!formatted) {
        for (uint32_t a = 0; a < ps.positions; ++a) append_cell(a, false);
        return out;
    }
    for (uint32_t i = 0; i < ps.positions; ++i) {
        const uint8_t attribute = p.attribute[i];
        if (!attribute || !(attribute & fa::Mdt)) continue;
        const bool hidden = (attribute & fa::DisplayMask) == fa::NonDisplay;
        uint32_t a = AdvanceAddress(ps, i);
        out.push_back(code::SBA);
        AppendAddress(out, ps, a);
        // A field that runs past the last position goes on at address 0.
        for (; !p.attribute[a]; a = AdvanceAddress(ps, a)) append_cell(a, hidden);
    }
    return out;
}

void SendReadModified(Session& session, uint8_t aid) {
    if (session.link.sscp_lu_mode) {
        const std::vector<uint8_t> input = BuildSscpLuInput(session);
        session.ps.ClearTyped();
        ResetAllMDT(session.ps);
        Send(session, input, send_flag::Send | send_flag::Trace);
        RecordSendTime(session);
        return;
    }
    const std::vector<uint8_t> real = BuildReadModified(session, aid, false);
    Send(session, real, send_flag::Send);
    if (session.sender && session.trace.Active())
        session.Trace(TraceType::Sent, BuildReadModified(session, aid, true));
    session.ps.ClearTyped();
    RecordSendTime(session);
}

void SendShortRead(Session& session, uint8_t aid) {
    const uint8_t record[1] = {aid};
    Send(session, record, send_flag::Send | send_flag::Trace);
    RecordSendTime(session);
}

void SendAidWithCursor(Session& session, uint8_t aid) {
    const EncodedAddress e = EncodeBufferAddress(session.ps, session.ps.cursor_address);
    const uint8_t record[3] = {aid, e.b1, e.b2};
    Send(session, record, send_flag::Send | send_flag::Trace);
}

std::vector<uint8_t> BuildReadBuffer(const Session& session, bool masked) {
    const PresentationSpace& ps = session.ps;
    const Planes& p = ps.planes;
    const AsciiHost mode = session.link.ascii_host;
    const uint8_t reply_mode = session.ds.reply_mode;
    std::vector<uint8_t> out;
    out.reserve(3 + size_t(ps.positions) * 2);
    out.push_back(session.ds.current_aid);
    AppendAddress(out, ps, ps.cursor_address);
    if (reply_mode > uint8_t(ReplyMode::Character)) return out;

    uint8_t sent_foreground = 0, sent_background = 0, sent_highlight = 0;
    auto set_attribute = [&](uint8_t type, uint8_t value, uint8_t& last) {
        if (value == last) return;
        out.push_back(code::SA);
        out.push_back(type);
        out.push_back(value ? uint8_t(value | 0xF0) : 0x00);
        last = value;
    };

    // The reply may start inside a field: its attribute governs until the next one.
    bool hidden = masked && session.ds.read_buffer_start < ps.positions &&
                  (GoverningAttribute(ps, session.ds.read_buffer_start) & fa::DisplayMask) == fa::NonDisplay;
    for (uint32_t a = session.ds.read_buffer_start; a < ps.positions; ++a) {
        const uint8_t attribute = p.attribute[a];
        if (attribute && masked) hidden = (attribute & fa::DisplayMask) == fa::NonDisplay;
        // A null stays a null, so the copy keeps the reply's length and layout.
        const bool mask = !attribute && hidden && p.display[a];
        const uint8_t colour = p.colour[a];
        const uint8_t highlight = p.highlight[a];
        if (reply_mode == uint8_t(ReplyMode::Field)) {
            if (attribute) {
                out.push_back(code::SF);
                out.push_back(attribute);
            } else if (mask) {
                out.push_back(DisplayToHostByte(session.charset, mode, kMaskCharacter));
            } else {
                out.push_back(p.charset[a] == 0 ? DisplayToHostByte(session.charset, mode, p.display[a])
                                                : p.display[a]);
            }
            continue;
        }
        if (attribute) {
            out.push_back(code::SFE);
            const size_t count_at = out.size();
            out.push_back(1);
            out.push_back(0xC0);
            out.push_back(attribute);
            if ((colour & 0x0F) && (highlight & hl::FieldColour)) {
                out.insert(out.end(), {0x42, uint8_t((colour & 0x0F) | 0xF0)});
                ++out[count_at];
            }
            if (colour >> 4) {
                out.insert(out.end(), {0x45, uint8_t((colour >> 4) | 0xF0)});
                ++out[count_at];
            }
            if (highlight & 0x0F) {
                out.insert(out.end(), {0x41, uint8_t((highlight & 0x0F) | 0xF0)});
                ++out[count_at];
            }
            continue;
        }
        if (reply_mode == uint8_t(ReplyMode::Character)) {
            set_attribute(0x42, colour & 0x0F, sent_foreground);
            set_attribute(0x45, colour >> 4, sent_background);
            // Only the highlighting bits; the field-colour flag and find marks are not the host's.
            set_attribute(0x41, highlight & 0x0F, sent_highlight);
        }
        if (mask) {
            out.push_back(DisplayToHostByte(session.charset, mode, kMaskCharacter));
        } else if (p.charset[a] == 0) {
            out.push_back(DisplayToHostByte(session.charset, mode, p.display[a]));
        } else {
            out.push_back(code::GE);
            out.push_back(p.display[a]);
        }
    }
    return out;
}

void SendReadBuffer(Session& session) {
    // The reply carries every field's contents, passwords too: the trace gets the masked copy.
    Send(session, BuildReadBuffer(session), send_flag::Send);
    if (session.sender && session.trace.Active())
        session.Trace(TraceType::Sent, BuildReadBuffer(session, true));
    RecordSendTime(session);
}

}  // namespace orkan
