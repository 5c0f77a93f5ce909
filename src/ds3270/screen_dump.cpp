#include "ds3270/screen_dump.h"

#include <cstdio>

#include "ds3270/fields.h"
#include "session/session.h"

namespace orkan {
namespace {

std::string Printf(const char* format, auto... args) {
    char buffer[160];
    const int n = std::snprintf(buffer, sizeof buffer, format, args...);
    return n < 0 ? std::string() : std::string(buffer, std::min<size_t>(size_t(n), sizeof buffer - 1));
}

std::string DescribeAttribute(uint8_t attribute) {
    std::string s = (attribute & fa::Protected) ? "prot" : "unprot";
    if ((attribute & fa::Autoskip) == fa::Autoskip)
        s += " skip";
    else if (attribute & fa::Numeric)
        s += " num";
    switch (attribute & fa::DisplayMask) {
        case 0x04:
            s += " sel";
            break;
        case 0x08:
            s += " int";
            break;
        case fa::NonDisplay:
            s += " nd";
            break;
        default:
            break;
    }
    if (attribute & fa::Mdt) s += " mdt";
    return s;
}

}  // namespace

std::string DumpScreenText(const Session& session, bool mark_cursor) {
    const PresentationSpace& ps = session.ps;
    const Planes& p = ps.planes;
    std::string out;
    out.reserve(ps.positions + ps.rows + 16);
    // Fields wrap from the end of the screen to its start.
    uint8_t field = GoverningAttribute(ps, ps.positions - 1);
    for (uint32_t a = 0; a < ps.positions; ++a) {
        if (p.attribute[a]) field = p.attribute[a];
        out += char(CellText(p.display[a], field, p.charset[a]));
        if ((a + 1) % ps.columns == 0) out += '\n';
    }
    if (mark_cursor)
        out +=
            Printf("cursor %u,%u\n", ps.cursor_address / ps.columns + 1, ps.cursor_address % ps.columns + 1);
    return out;
}

std::string DumpFields(const Session& session) {
    const PresentationSpace& ps = session.ps;
    const Planes& p = ps.planes;
    std::string out;
    for (uint32_t a = 0; a < ps.positions; ++a) {
        const uint8_t attribute = p.attribute[a];
        if (!attribute) continue;
        out += Printf("%u,%u %02X %s colour=%02X hl=%02X\n", a / ps.columns + 1, a % ps.columns + 1,
                      attribute, DescribeAttribute(attribute).c_str(), p.colour[a], p.highlight[a]);
    }
    return out;
}

std::string DumpPlanes(const Session& session) {
    const PresentationSpace& ps = session.ps;
    std::string out =
        Printf("rows=%u columns=%u positions=%u mode=%u cursor=%u buffer=%u\n", ps.rows, ps.columns,
               ps.positions, unsigned(ps.size_mode), ps.cursor_address, ps.buffer_address);
    const std::pair<const char*, const Plane*> planes[] = {
        {"display", &ps.planes.display}, {"attribute", &ps.planes.attribute},
        {"colour", &ps.planes.colour},   {"highlight", &ps.planes.highlight},
        {"charset", &ps.planes.charset}, {"host", &ps.planes.host}};
    for (const auto& [name, plane] : planes) {
        out += name;
        out += ":\n";
        for (uint32_t row = 0; row < ps.rows; ++row) {
            const uint8_t* cells = plane->data() + size_t(row) * ps.columns;
            bool any = false;
            for (uint32_t c = 0; c < ps.columns && !any; ++c) any = cells[c] != 0;
            if (!any) continue;
            out += Printf("%3u:", row + 1);
            for (uint32_t c = 0; c < ps.columns; ++c) out += Printf(" %02X", cells[c]);
            out += '\n';
        }
    }
    return out;
}

}  // namespace orkan
