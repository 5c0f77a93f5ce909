#include "print/printer_profile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "config/session_record.h"
#include "ds3270/geometry.h"

namespace orkan {

namespace {

constexpr std::array<const char*, 4> kLayoutNames = {"portrait", "landscape", "portrait two-up",
                                                     "landscape two-up"};

size_t ProfileOffset(int index) {
    return field::PrinterProfiles.offset + size_t(index) * kPrinterProfileSize;
}

}  // namespace

PrintLayout LayoutFor(bool landscape, bool two_up) {
    return PrintLayout((landscape ? 1 : 0) + (two_up ? 2 : 0));
}

PrinterProfile ReadPrinterProfile(const SessionRecord& record, int index) {
    const uint8_t* p = record.Bytes().data() + ProfileOffset(index);
    PrinterProfile out;
    const size_t face_length = strnlen(reinterpret_cast<const char*>(p + printer_profile::FontName), 32);
    out.face.assign(reinterpret_cast<const char*>(p + printer_profile::FontName), face_length);
    const uint8_t orientation = p[printer_profile::Orientation];
    out.orientation = orientation <= 2 ? ProfileOrientation(orientation) : ProfileOrientation::AsPrinter;
    out.two_up = p[printer_profile::TwoUp] != 0;
    for (size_t layout = 0; layout < 4; ++layout) {
        out.edges[layout] = {p[printer_profile::Left + layout], p[printer_profile::Top + layout],
                             p[printer_profile::Right + layout], p[printer_profile::Bottom + layout]};
    }
    return out;
}

void WritePrinterProfile(SessionRecord& record, int index, const PrinterProfile& profile) {
    uint8_t* p = record.Bytes().data() + ProfileOffset(index);
    std::memset(p + printer_profile::FontName, 0, 33);
    std::memcpy(p + printer_profile::FontName, profile.face.data(),
                std::min<size_t>(profile.face.size(), 32));
    p[printer_profile::Orientation] = uint8_t(profile.orientation);
    p[printer_profile::TwoUp] = profile.two_up ? 1 : 0;
    auto byte = [](int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
    for (size_t layout = 0; layout < 4; ++layout) {
        p[printer_profile::Left + layout] = byte(profile.edges[layout].left);
        p[printer_profile::Top + layout] = byte(profile.edges[layout].top);
        p[printer_profile::Right + layout] = byte(profile.edges[layout].right);
        p[printer_profile::Bottom + layout] = byte(profile.edges[layout].bottom);
    }
}

int ScreenProfileIndex(const Session& session, uint32_t rows, uint32_t columns) {
    for (int model = 0; model < 4; ++model) {
        const ScreenSize size = TerminalModelEntry(session, model).size;
        if (size.rows == rows && size.columns == columns) return model;
    }
    return kOtherScreenProfile;
}

bool EdgesUsable(const PageEdges& e) {
    auto in_range = [](int v) { return v >= 0 && v <= 100; };
    return in_range(e.left) && in_range(e.top) && in_range(e.right) && in_range(e.bottom) &&
           e.left < e.right && e.top < e.bottom;
}

CheckedEdges CheckEdges(const PrinterProfile& profile, int index, PrintLayout layout) {
    const PageEdges& e = profile.edges[size_t(layout)];
    if (EdgesUsable(e)) return {e, std::nullopt};
    char text[400];
    std::snprintf(text, sizeof text,
                  "Printer profile %d has unusable %s edges (left %d, top %d, right %d, bottom %d).\n"
                  "Each must lie between 0 and 100, left below right and top below bottom.\n"
                  "The default edges 5, 5, 95, 95 are used.",
                  index + 1, kLayoutNames[size_t(layout)], e.left, e.top, e.right, e.bottom);
    return {kDefaultEdges, std::string(text)};
}

}  // namespace orkan
