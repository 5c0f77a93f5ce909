// Turns a screen of an application into the record that draws it, and the host's model of the
// terminal buffer after that record, with the names of its input fields.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ds.h"
#include "script.h"

namespace testhost {

struct NamedField {
    std::string name;
    int attr_address = 0;
    int start = 0;
    int length = 0;
    uint8_t bits = 0;
    bool nondisplay() const { return (bits & ds::kAttrDisplayMask) == ds::kAttrNonDisplay; }
};

struct Rendered {
    Bytes record;
    ds::Buffer buffer;               // the terminal's buffer after the record, as the host expects it
    std::vector<NamedField> inputs;  // input fields in address order
    std::string note;                // something the log should mention (e.g. a character sent as '?')
};

struct RenderContext {
    const Codec* codec = nullptr;
    ds::Geometry geometry;
    const ds::Buffer* current = nullptr;  // what a Write (no erase) draws over
    bool extended = true;                 // colours and highlighting allowed
    std::function<std::optional<std::string>(const std::string&)> lookup;
};

[[nodiscard]] bool RenderScreen(const script::App& app, const script::Screen& screen,
                                const RenderContext& ctx, Rendered& out, std::string& error);

// Auto name of an unnamed input field: "r5c20" for row 5, column 20 of its first data position.
std::string AutoFieldName(int start, int cols);

}  // namespace testhost
