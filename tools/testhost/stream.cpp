#include "stream.h"

#include <array>
#include <cstdio>
#include <string>

namespace testhost {

namespace {
constexpr std::array<uint8_t, 7> kFieldColours = {0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7};
}

Bytes StreamScreen(int index, int total, int rows, int cols, uint8_t command, bool extended,
                   const Codec& codec) {
    ds::OrderWriter w(rows * cols);
    w.Command(command, ds::kWccReset | ds::kWccResetMdt);
    auto text = [&](const std::string& s) {
        Bytes b;
        b.reserve(s.size());
        for (char c : s) b.push_back(codec.HostByte(c));
        w.Data(b);
    };
    auto field = [&](uint8_t attr, uint8_t fg, uint8_t hl) {
        if (extended)
            w.Sfe(attr, fg, hl);
        else
            w.Sf(attr);
    };
    // A cheap generator seeded by the screen number: the same screen always looks the same.
    uint32_t state = static_cast<uint32_t>(index) * 2654435761u + 12345u;
    auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };

    char title[96];
    std::snprintf(title, sizeof title, "ORKAN STREAM  SCREEN %06d OF %06d", index + 1, total);
    w.Sba(0);
    field(ds::kAttrProtected | ds::kAttrIntensified, 0xF7, 0);
    text(title);

    const int field_cols = (cols - 2) / 20;  // each group: label 9, input 8, two attributes and a blank
    for (int r = 2; r < rows - 1; ++r) {
        w.Sba(r * cols);
        for (int g = 0; g < field_cols; ++g) {
            char label[32];
            std::snprintf(label, sizeof label, "R%02dF%02d: ", r, g);
            field(ds::kAttrProtected, kFieldColours[static_cast<size_t>((r + g) % 7)], 0);
            text(std::string(label).substr(0, 8));
            const bool numeric = (g % 2) == 1;
            field(numeric ? ds::kAttrNumeric : 0, 0xF4, 0xF4);
            char value[32];
            std::snprintf(value, sizeof value, numeric ? "%08u" : "%08X", next() % 100000000u);
            text(std::string(value).substr(0, 8));
            field(ds::kAttrProtected | ds::kAttrNumeric, 0, 0);
            text(" ");
        }
    }
    w.Sba((rows - 1) * cols);
    field(ds::kAttrProtected, 0xF1, 0);
    text("PF3=End  Enter=Continue");
    w.Sba(2 * cols + 10);
    w.Ic();
    return std::move(w.bytes());
}

}  // namespace testhost
