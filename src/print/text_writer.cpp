#include "print/text_writer.h"

#include "charset/display_unicode.h"

namespace orkan {

std::string LineText(const PrintLine& line) {
    size_t end = line.size();
    while (end > 0 && line[end - 1].base == U' ' && !line[end - 1].mark) --end;
    std::string out;
    for (size_t i = 0; i < end; ++i) {
        AppendUtf8(out, line[i].base);
        if (line[i].mark) AppendUtf8(out, line[i].mark);
    }
    return out;
}

std::string RenderText(const PrintDocument& document) {
    std::string out;
    for (size_t s = 0; s < document.sheets.size(); ++s) {
        const PrintSheet& sheet = document.sheets[s];
        if (s > 0) out += '\f';
        if (!sheet.header.empty()) out += LineText(sheet.header) + "\n\n";
        for (size_t b = 0; b < sheet.blocks.size(); ++b) {
            if (b > 0) out += '\n';
            for (const PrintLine& line : sheet.blocks[b].lines) out += LineText(line) + '\n';
        }
    }
    return out;
}

}  // namespace orkan
