// The order interpreter: one order, or a run of data characters, at a time. Every parameter is
// checked against what remains of the record before it is read, and every store against the
// screen before it is made.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "charset/translate.h"
#include "ds3270/ds_codes.h"
#include "ds3270/fields.h"
#include "ds3270/messages.h"
#include "ds3270/write_processor.h"
#include "session/session.h"

namespace orkan {
namespace {

constexpr std::array<bool, 256> kIsOrder = [] {
    std::array<bool, 256> t{};
    for (uint8_t b : {order::PT, order::GE, order::SBA, order::EUA, order::IC, order::SF, order::SA,
                      order::SFE, order::MF, order::RA})
        t[b] = true;
    return t;
}();

[[nodiscard]] OrderOutcome Incomplete(Session& session, const WriteContext& context, uint8_t code) {
    ReportHostError(session, msg::kSnaTitle,
                    FormatMessage(msg::kIncompleteOrder, code, int(context.record.size())));
    return OrderOutcome::EndRecord;
}

uint8_t HighlightMask(const Session& session) {
    return session.settings.Wang ? 0x0F : 0x07;
}

constexpr std::array<uint8_t, 256> kIdentity = [] {
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) t[size_t(i)] = uint8_t(i);
    return t;
}();

// Host byte -> display character for data written with the current SA character set, in the
// link's ASCII-host mode. `scratch` holds the table when it has to be composed.
const uint8_t* DataTable(const Session& session, std::array<uint8_t, 256>& scratch) {
    if (session.ps.sa_charset == kGraphicEscapeSet) return kIdentity.data();
    switch (session.link.ascii_host) {
        case AsciiHost::Raw:
            return kIdentity.data();
        case AsciiHost::RawLow:
            for (int i = 0; i < 256; ++i)
                scratch[size_t(i)] = i < 0x80 ? uint8_t(i) : session.charset.screen[size_t(i)];
            return scratch.data();
        case AsciiHost::Translate:
            break;
    }
    return session.charset.screen.data();
}

// Most data runs are a field's few characters: up to this many, each plane is filled with two
// overlapping stores of one word, which beats a call to memset per plane.
constexpr size_t kShortRun = 16;

// The planes of a run of n cells at `a`, n from one to two words.
template <typename Word>
void StoreShortRun(PresentationSpace& ps, uint32_t a, const uint8_t* host, size_t n) {
    constexpr size_t w = sizeof(Word);
    const size_t last = a + n - w;
    Word head, tail;
    std::memcpy(&head, host, w);
    std::memcpy(&tail, host + n - w, w);
    std::memcpy(&ps.planes.host[a], &head, w);
    std::memcpy(&ps.planes.host[last], &tail, w);
    const auto fill = [&](Plane& plane, uint8_t value) {
        const Word word = Word(0x0101010101010101ull * value);
        std::memcpy(&plane[a], &word, w);
        std::memcpy(&plane[last], &word, w);
    };
    fill(ps.planes.attribute, 0);
    fill(ps.planes.colour, ps.sa_colour);
    fill(ps.planes.highlight, ps.sa_highlight);
    fill(ps.planes.charset, ps.sa_charset);
    fill(ps.changed, 1);
}

// Every order byte is below 0x40 and most data bytes are not: the first byte below 0x40 at or
// after `from`, or `limit`. Sixteen bytes at a time where the machine has SSE2.
size_t NextLowByte(const uint8_t* data, size_t from, size_t limit) {
#if defined(__SSE2__)
    const __m128i floor = _mm_set1_epi8(0x40);
    for (; from + 16 <= limit; from += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from));
        // A byte keeps its value under max(v, 0x40) exactly when it is 0x40 or more.
        const unsigned low =
            ~unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(v, floor), v))) & 0xFFFFu;
        if (low != 0) return from + unsigned(__builtin_ctz(low));
    }
#endif
    for (; from < limit && data[from] >= 0x40; ++from) {
    }
    return from;
}

// The end of the data run at `from`: the next order byte, or `limit`.
size_t DataRunEnd(const uint8_t* data, size_t from, size_t limit) {
    for (;;) {
        from = NextLowByte(data, from, limit);
        if (from >= limit || kIsOrder[data[from]]) return from;
        ++from;  // a control character that is data
    }
}

// Stores the run of data characters at context.position (up to the next order) from the current
// buffer address on, wrapping at the end of the screen. The caller has checked the address.
void WriteCharacters(Session& session, WriteContext& context) {
    PresentationSpace& ps = session.ps;
    Planes& p = ps.planes;
    std::array<uint8_t, 256> scratch;
    const uint8_t* table = DataTable(session, scratch);
    const std::span<const uint8_t> rec = context.record;
    size_t pos = context.position;
    uint32_t a = ps.buffer_address;
    for (;;) {
        // Scanning for the next order and translating go together in one pass.
        const size_t limit = std::min<size_t>(rec.size(), pos + (ps.positions - a));
        uint8_t* display = &p.display[a];
        const size_t end = DataRunEnd(rec.data(), pos, limit);
        const size_t n = end - pos;
        for (size_t i = 0; i < n; ++i) display[i] = table[rec[pos + i]];
        if (n > kShortRun) {
            std::memcpy(&p.host[a], &rec[pos], n);
            std::memset(&p.attribute[a], 0, n);
            std::memset(&p.colour[a], ps.sa_colour, n);
            std::memset(&p.highlight[a], ps.sa_highlight, n);
            std::memset(&p.charset[a], ps.sa_charset, n);
            std::memset(&ps.changed[a], 1, n);
        } else if (n > 8) {
            StoreShortRun<uint64_t>(ps, a, &rec[pos], n);
        } else if (n > 4) {
            StoreShortRun<uint32_t>(ps, a, &rec[pos], n);
        } else if (n > 1) {
            StoreShortRun<uint16_t>(ps, a, &rec[pos], n);
        } else if (n == 1) {
            StoreShortRun<uint8_t>(ps, a, &rec[pos], n);
        }
        a += uint32_t(n);
        if (a >= ps.positions) a = 0;
        pos = end;
        if (end < limit || end == rec.size()) break;  // an order or the end of the record
    }
    ps.buffer_address = a;
    context.position = pos;
}

// One character as RA repeats it: translated unless it came with GE or SA chose the GE set.
struct Character {
    uint8_t host = 0;
    bool graphic_escape = false;
};

void RepeatCharacter(Session& session, Character c, uint32_t stop) {
    PresentationSpace& ps = session.ps;
    Planes& p = ps.planes;
    std::array<uint8_t, 256> scratch;
    const uint8_t display = c.graphic_escape ? c.host : DataTable(session, scratch)[c.host];
    const uint8_t charset = c.graphic_escape ? kGraphicEscapeSet : ps.sa_charset;
    uint32_t a = ps.buffer_address;
    // Equal addresses fill the whole buffer.
    uint32_t count = stop > a ? stop - a : ps.positions - a + stop;
    while (count > 0) {
        const uint32_t n = std::min(count, ps.positions - a);
        std::memset(&p.host[a], c.host, n);
        std::memset(&p.display[a], display, n);
        std::memset(&p.attribute[a], 0, n);
        std::memset(&p.colour[a], ps.sa_colour, n);
        std::memset(&p.highlight[a], ps.sa_highlight, n);
        std::memset(&p.charset[a], charset, n);
        std::memset(&ps.changed[a], 1, n);
        a += n;
        if (a >= ps.positions) a = 0;
        count -= n;
    }
    ps.buffer_address = a;
}

// Field attribute at the current buffer address, with every other plane of the cell cleared.
uint32_t StoreAttribute(PresentationSpace& ps, uint8_t attribute, uint8_t colour) {
    const uint32_t a = ps.buffer_address;
    ps.planes.display[a] = 0x20;
    ps.planes.attribute[a] = attribute;
    ps.planes.colour[a] = colour;
    ps.planes.highlight[a] = 0;
    ps.planes.charset[a] = 0;
    ps.planes.host[a] = 0;
    ps.MarkChanged(a);
    return a;
}

void ApplySetAttribute(Session& session, uint8_t type, uint8_t value) {
    PresentationSpace& ps = session.ps;
    switch (type) {
        case pair::ResetAll:
            ps.sa_colour = ps.sa_highlight = ps.sa_charset = 0;
            session.ds.reply_mode = uint8_t(ReplyMode::Field);
            break;
        case pair::Highlight:
            ps.sa_highlight = value & HighlightMask(session);
            break;
        case pair::Foreground:
            ps.sa_colour = value ? HostColour(session, value) : 0;
            break;
        case pair::CharacterSet:
            ps.sa_charset = value;
            break;
        default:
            break;  // the field attribute and the ignored types change nothing here
    }
}

enum class PairOwner : uint8_t { StartField, ModifyField };

void ApplyCellPair(Session& session, uint32_t a, uint8_t type, uint8_t value, PairOwner owner,
                   bool& colour_given) {
    Planes& p = session.ps.planes;
    switch (type) {
        case pair::ResetAll:
            p.colour[a] = p.highlight[a] = p.charset[a] = 0;
            session.ds.reply_mode = uint8_t(ReplyMode::Field);
            break;
        case pair::Highlight:
            p.highlight[a] = uint8_t((p.highlight[a] & hl::FieldColour) | (value & HighlightMask(session)));
            break;
        case pair::Foreground:
            p.colour[a] = value ? HostColour(session, value) : 0;
            p.highlight[a] |= hl::FieldColour;
            colour_given = true;
            break;
        case pair::CharacterSet:
            p.charset[a] = value;
            break;
        case pair::FieldAttribute:
            p.attribute[a] = value | fa::Present;
            if (owner == PairOwner::StartField && !colour_given && (value & 0x80))
                p.colour[a] = DefaultColourFor(session, p.attribute[a]);
            break;
        default:
            break;
    }
}

constexpr std::array<bool, 256> kKnownPairTypes = [] {
    std::array<bool, 256> t{};
    for (uint8_t type :
         {pair::ResetAll, pair::Highlight, pair::Foreground, pair::CharacterSet, pair::FieldAttribute,
          pair::Background, pair::Transparency, pair::Validation, pair::Outlining})
        t[type] = true;
    return t;
}();

// The types this terminal takes (the ones it ignores included); any other ends the pairs.
bool IsKnownPairType(uint8_t type) {
    return kKnownPairTypes[type];
}

// Applies up to `count` pairs to cell `a`. An unknown type is not consumed: interpretation goes on
// at that byte.
void ApplyCellPairs(Session& session, WriteContext& context, uint32_t a, uint8_t count, PairOwner owner) {
    bool colour_given = false;
    for (uint8_t i = 0; i < count; ++i) {
        const uint8_t type = context.record[context.position];
        if (!IsKnownPairType(type)) return;
        ApplyCellPair(session, a, type, context.record[context.position + 1], owner, colour_given);
        context.position += 2;
    }
}

OrderOutcome DataCharacters(Session& session, WriteContext& context) {
    if (CheckWriteAddress(session, session.ps) == WriteCheck::Refused) return OrderOutcome::EndRecord;
    WriteCharacters(session, context);
    session.ps.last_item_was_order = false;
    return OrderOutcome::Continue;
}

OrderOutcome GraphicEscape(Session& session, WriteContext& context) {
    if (context.Remaining() < 2) return Incomplete(session, context, order::GE);
    if (CheckWriteAddress(session, session.ps) == WriteCheck::Refused) return OrderOutcome::EndRecord;
    PresentationSpace& ps = session.ps;
    const uint8_t c = context.record[context.position + 1];
    const uint32_t a = ps.buffer_address;
    ps.planes.host[a] = c;
    ps.planes.display[a] = c;
    ps.planes.attribute[a] = 0;
    ps.planes.colour[a] = ps.sa_colour;
    ps.planes.highlight[a] = ps.sa_highlight;
    ps.planes.charset[a] = kGraphicEscapeSet;
    ps.MarkChanged(a);
    ps.buffer_address = AdvanceAddress(ps, a);
    context.position += 2;
    return OrderOutcome::Continue;
}

OrderOutcome SetBufferAddress(Session& session, WriteContext& context) {
    if (context.Remaining() < 3) return Incomplete(session, context, order::SBA);
    const auto& rec = context.record;
    const DecodedAddress d = DecodeBufferAddress(session, context, order::SBA, rec[context.position + 1],
                                                 rec[context.position + 2]);
    if (d.outcome != OrderOutcome::Continue) return d.outcome;
    session.ps.buffer_address = d.address;
    context.position += 3;
    return OrderOutcome::Continue;
}

OrderOutcome EraseUnprotectedToAddress(Session& session, WriteContext& context) {
    if (context.Remaining() < 3) return Incomplete(session, context, order::EUA);
    if (CheckWriteAddress(session, session.ps) == WriteCheck::Refused) return OrderOutcome::EndRecord;
    const auto& rec = context.record;
    const DecodedAddress d = DecodeBufferAddress(session, context, order::EUA, rec[context.position + 1],
                                                 rec[context.position + 2]);
    if (d.outcome != OrderOutcome::Continue) return d.outcome;
    context.position += 3;
    PresentationSpace& ps = session.ps;
    // A stop the wrap can never reach (only with IgnoreInvalidSBA) writes nothing, as with RA.
    if (d.address >= ps.positions) return OrderOutcome::Continue;
    const int32_t field = FindFieldAttribute(ps, ps.buffer_address);
    uint8_t governing = field < 0 ? 0 : ps.planes.attribute[uint32_t(field)];
    uint32_t a = ps.buffer_address;
    do {
        if (ps.planes.attribute[a]) {
            governing = ps.planes.attribute[a];
        } else if (!(governing & fa::Protected)) {
            ps.planes.display[a] = 0;
            ps.MarkChanged(a);
        }
        a = AdvanceAddress(ps, a);
    } while (a != d.address);
    ps.buffer_address = d.address;
    return OrderOutcome::Continue;
}

OrderOutcome InsertCursor(Session& session, WriteContext& context) {
    PresentationSpace& ps = session.ps;
    // A cursor off the screen would send every later key outside it.
    if (ps.buffer_address < ps.positions) {
        ps.cursor_address = ps.buffer_address;
        session.view->CursorMoved();
    }
    context.position += 1;
    return OrderOutcome::Continue;
}

OrderOutcome StartField(Session& session, WriteContext& context) {
    if (context.Remaining() < 2) return Incomplete(session, context, order::SF);
    if (CheckWriteAddress(session, session.ps) == WriteCheck::Refused) return OrderOutcome::EndRecord;
    PresentationSpace& ps = session.ps;
    const uint8_t attribute = context.record[context.position + 1] | fa::Present;
    const uint32_t a = StoreAttribute(ps, attribute, DefaultColourFor(session, attribute));
    ps.buffer_address = AdvanceAddress(ps, a);
    context.position += 2;
    return OrderOutcome::Continue;
}

OrderOutcome StartFieldExtended(Session& session, WriteContext& context) {
    if (context.Remaining() < 2) return Incomplete(session, context, order::SFE);
    const uint8_t count = context.record[context.position + 1];
    if (context.Remaining() < 2 + size_t(count) * 2) return Incomplete(session, context, order::SFE);
    if (CheckWriteAddress(session, session.ps) == WriteCheck::Refused) return OrderOutcome::EndRecord;
    PresentationSpace& ps = session.ps;
    const uint32_t a = StoreAttribute(ps, fa::Present, 0);
    context.position += 2;
    ApplyCellPairs(session, context, a, count, PairOwner::StartField);
    ps.buffer_address = AdvanceAddress(ps, a);
    return OrderOutcome::Continue;
}

OrderOutcome ModifyField(Session& session, WriteContext& context) {
    if (context.Remaining() < 2) return Incomplete(session, context, order::MF);
    const uint8_t count = context.record[context.position + 1];
    if (context.Remaining() < 2 + size_t(count) * 2) return Incomplete(session, context, order::MF);
    if (CheckWriteAddress(session, session.ps) == WriteCheck::Refused) return OrderOutcome::EndRecord;
    PresentationSpace& ps = session.ps;
    const uint32_t a = ps.buffer_address;
    context.position += 2;
    ApplyCellPairs(session, context, a, count, PairOwner::ModifyField);
    if (session.settings.ColorModifyField)
        ps.planes.colour[a] = DefaultColourFor(session, ps.planes.attribute[a]);
    ps.planes.highlight[a] &= uint8_t(~hl::FieldColour);
    ps.planes.display[a] = 0x20;
    ps.MarkChanged(a);
    ps.buffer_address = AdvanceAddress(ps, a);
    return OrderOutcome::Continue;
}

OrderOutcome SetAttribute(Session& session, WriteContext& context) {
    if (context.Remaining() < 2) return Incomplete(session, context, order::SA);
    const uint8_t type = context.record[context.position + 1];
    context.position += 1;
    if (!IsKnownPairType(type)) return OrderOutcome::Continue;
    if (context.Remaining() < 2) return Incomplete(session, context, order::SA);
    ApplySetAttribute(session, type, context.record[context.position + 1]);
    context.position += 2;
    return OrderOutcome::Continue;
}

OrderOutcome ProgramTab(Session& session, WriteContext& context) {
    if (CheckWriteAddress(session, session.ps) == WriteCheck::Refused) return OrderOutcome::EndRecord;
    context.position += 1;
    PresentationSpace& ps = session.ps;
    Planes& p = ps.planes;
    uint32_t a = ps.buffer_address;
    if (p.attribute[a]) {
        if (!(p.attribute[a] & fa::Protected)) {
            ps.buffer_address = AdvanceAddress(ps, a);
            return OrderOutcome::Continue;
        }
        ++a;
    } else if (!ps.last_item_was_order) {
        // After data, the rest of the field is nulled; the end of the screen ends the tab.
        while (a < ps.positions && !p.attribute[a]) {
            p.display[a] = p.colour[a] = p.highlight[a] = p.charset[a] = 0;
            ps.MarkChanged(a);
            ++a;
        }
        if (a >= ps.positions) {
            ps.buffer_address = 0;
            return OrderOutcome::Continue;
        }
    }
    for (; a < ps.positions; ++a) {
        if (p.attribute[a] && !(p.attribute[a] & fa::Protected)) {
            ps.buffer_address = AdvanceAddress(ps, a);
            return OrderOutcome::Continue;
        }
    }
    ps.buffer_address = 0;
    return OrderOutcome::Continue;
}

OrderOutcome RepeatToAddress(Session& session, WriteContext& context) {
    if (context.Remaining() < 4) return Incomplete(session, context, order::RA);
    // RA stores like the other orders, so it needs the same check before its first store.
    if (CheckWriteAddress(session, session.ps) == WriteCheck::Refused) return OrderOutcome::EndRecord;
    const auto& rec = context.record;
    size_t p = context.position;
    DecodedAddress stop = DecodeBufferAddress(session, context, order::RA, rec[p + 1], rec[p + 2]);
    if (stop.outcome != OrderOutcome::Continue) return stop.outcome;
    p += 3;
    if (rec[p] == order::RA) {
        if (rec.size() - p < 4) return Incomplete(session, context, order::RA);
        stop = DecodeBufferAddress(session, context, order::RA, rec[p + 1], rec[p + 2]);
        if (stop.outcome != OrderOutcome::Continue) return stop.outcome;
        p += 3;
    }
    if (rec[p] == order::SBA) {
        ReportHostError(session, msg::kSnaTitle, msg::kRepeatOfSba);
        return OrderOutcome::EndRecord;
    }
    PresentationSpace& ps = session.ps;
    if (stop.address >= ps.positions) {
        // Nothing is written; the character is read as the next item of the data stream.
        context.position = p;
        return OrderOutcome::Continue;
    }
    Character c;
    if (rec[p] == order::GE) {
        if (rec.size() - p < 2) return Incomplete(session, context, order::RA);
        c = {rec[p + 1], true};
        p += 2;
    } else {
        c = {rec[p], false};
        p += 1;
    }
    RepeatCharacter(session, c, stop.address);
    context.position = p;
    return OrderOutcome::Continue;
}

// The orders other than SF, SFE and SBA, which ProcessOrders tests for first.
OrderOutcome OtherOrder(Session& session, WriteContext& context, uint8_t b) {
    switch (b) {
        case order::PT:
            return ProgramTab(session, context);
        case order::GE:
            return GraphicEscape(session, context);
        case order::EUA:
            return EraseUnprotectedToAddress(session, context);
        case order::IC:
            return InsertCursor(session, context);
        case order::SA:
            return SetAttribute(session, context);
        case order::MF:
            return ModifyField(session, context);
        case order::RA:
            return RepeatToAddress(session, context);
        default:
            return OrderOutcome::Continue;
    }
}

}  // namespace

OrderOutcome ProcessOrders(Session& session, WriteContext& context) {
    // One loop over the whole record: a call per order would cost more than most orders do.
    OrderOutcome outcome = OrderOutcome::Continue;
    while (outcome == OrderOutcome::Continue && context.position < context.record.size()) {
        const uint8_t b = context.record[context.position];
        if (!kIsOrder[b]) {
            outcome = DataCharacters(session, context);
            continue;
        }
        // Fields and addresses are most of the orders on any screen: branches that predict well
        // come before the jump table.
        if (b == order::SFE) {
            outcome = StartFieldExtended(session, context);
        } else if (b == order::SF) {
            outcome = StartField(session, context);
        } else if (b == order::SBA) {
            outcome = SetBufferAddress(session, context);
        } else {
            outcome = OtherOrder(session, context, b);
        }
        session.ps.last_item_was_order = true;
    }
    return outcome;
}

}  // namespace orkan
