// The six printer profiles of the session record (screens of models 2-5, other screen sizes,
// text files), read into one checked structure.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace orkan {

class SessionRecord;
struct Session;

inline constexpr int kOtherScreenProfile = 4;
inline constexpr int kTextFileProfile = 5;

enum class ProfileOrientation : uint8_t { AsPrinter = 0, Portrait = 1, Landscape = 2 };

// Layout index: (device orientation - 1) + 2 x two-up.
enum class PrintLayout : uint8_t { Portrait = 0, Landscape = 1, PortraitTwoUp = 2, LandscapeTwoUp = 3 };

PrintLayout LayoutFor(bool landscape, bool two_up);

// Edges of the printable area in percent of the page.
struct PageEdges {
    int left = 5;
    int top = 5;
    int right = 95;
    int bottom = 95;
    bool operator==(const PageEdges&) const = default;
};
inline constexpr PageEdges kDefaultEdges{};

struct PrinterProfile {
    std::string face;  // display bytes, as stored
    ProfileOrientation orientation = ProfileOrientation::AsPrinter;
    bool two_up = false;
    std::array<PageEdges, 4> edges{};  // by PrintLayout
};

// Profile `index` (0-5) as stored. An orientation byte above 2 reads as "as the printer is set";
// any non-zero two-up byte as on.
PrinterProfile ReadPrinterProfile(const SessionRecord& record, int index);
void WritePrinterProfile(SessionRecord& record, int index, const PrinterProfile& profile);

// Which profile prints a screen of this size: the terminal model whose size it is, else the
// profile for other sizes.
int ScreenProfileIndex(const Session& session, uint32_t rows, uint32_t columns);

// Usable edges: each 0-100, left below right, top below bottom. Anything else would give a
// negative or empty printable area.
bool EdgesUsable(const PageEdges& edges);

// The edges of `layout`, or the defaults with the text of the message to show when the stored
// ones cannot be used.
struct CheckedEdges {
    PageEdges edges;
    std::optional<std::string> problem;
};
CheckedEdges CheckEdges(const PrinterProfile& profile, int index, PrintLayout layout);

}  // namespace orkan
