// Text files to print and the printer profiles of session files come from outside: any bytes
// must lay out without losing a character, and any profile must give a usable printable area.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "config/session_record.h"
#include "print/printer_profile.h"
#include "print/printer_target.h"
#include "print/text_file_print.h"
#include "print/text_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t flags = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    const auto encoding = (flags & 1) ? orkan::TextEncoding::Utf8OrDisplay : orkan::TextEncoding::Display;
    const auto lines = orkan::ParseTextFile(bytes, encoding);
    orkan::TextPageSetup setup;
    setup.sheet = {595.28, 841.89};
    setup.landscape = flags & 2;
    setup.two_up = flags & 4;
    const auto sheets = orkan::LayoutTextFile(lines, setup);
    if (sheets.empty()) std::abort();
    // Every cell of the file is printed once, in pieces no wider than the page.
    size_t in = 0, out = 0;
    const uint32_t width = orkan::TextPageWidth(lines);
    for (const auto& line : lines) in += line.cells.size();
    for (const auto& sheet : sheets)
        for (const auto& block : sheet.blocks) {
            if (block.lines.size() > (setup.landscape ? orkan::kLandscapeLines : orkan::kPortraitLines))
                std::abort();
            for (const auto& printed : block.lines) {
                if (printed.size() > width) std::abort();
                out += printed.size();
            }
        }
    if (in != out) std::abort();
    (void)orkan::RenderText({"fuzz", 595.28, 841.89, "", sheets});

    // The same bytes as the six stored profiles of a session record.
    orkan::SessionRecord record;
    auto profiles =
        record.Bytes().subspan(orkan::field::PrinterProfiles.offset, orkan::field::PrinterProfiles.size);
    for (size_t i = 0; i < profiles.size() && i < bytes.size(); ++i) profiles[i] = uint8_t(bytes[i]);
    for (int p = 0; p < orkan::kPrinterProfiles; ++p) {
        const orkan::PrinterProfile profile = orkan::ReadPrinterProfile(record, p);
        for (int layout = 0; layout < 4; ++layout)
            if (!orkan::EdgesUsable(orkan::CheckEdges(profile, p, orkan::PrintLayout(layout)).edges))
                std::abort();
    }
    (void)orkan::ClassifyPrinter(bytes.substr(0, 64));
    return 0;
}
