#include "support/iconv_tables.h"

#include <iconv.h>

#include <stdexcept>

namespace orkan::test {

CharsetTables Cp037Tables() {
    iconv_t cd = iconv_open("CP1252", "IBM037");
    if (cd == iconv_t(-1)) throw std::runtime_error("iconv has no IBM037 to CP1252 conversion");
    CharsetTables t;
    for (int host = 0; host < 256; ++host) {
        char in = char(host), out = 0;
        char* inp = &in;
        char* outp = &out;
        size_t inleft = 1, outleft = 1;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        t.screen[host] = iconv(cd, &inp, &inleft, &outp, &outleft) == size_t(-1) ? 0 : uint8_t(out);
    }
    iconv_close(cd);
    t.screen[0x00] = 0x00;
    t.screen[0x1C] = 0x8E;
    t.screen[0x1E] = 0x8F;
    t.display_to_host.fill(0);
    for (int host = 0; host < 256; ++host)
        if (t.screen[host]) t.display_to_host[t.screen[host]] = uint8_t(host);
    t.code_page = 37;
    t.character_set = 697;
    return t;
}

}  // namespace orkan::test
