#include "transfer/byte_count.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdio>

namespace orkan {
namespace {

std::string Grouped(uint64_t count, const std::string& separator) {
    const std::string digits = std::to_string(count);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += separator;
        out += digits[i];
    }
    return out;
}

std::string Fixed3(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%3.3f", value);
    return text;
}

std::string WithDecimal(std::string text, const std::string& decimal) {
    std::string out;
    for (char c : text) {
        if (c == '.')
            out += decimal;
        else
            out += c;
    }
    return out;
}

}  // namespace

NumberSeparators LocaleSeparators() {
    NumberSeparators s;
    // The environment's numeric locale, asked for without changing the process's own.
    locale_t locale = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (!locale) return s;
    if (const char* t = nl_langinfo_l(THOUSEP, locale); t && *t) s.thousands = t;
    if (const char* d = nl_langinfo_l(RADIXCHAR, locale); d && *d) s.decimal = d;
    freelocale(locale);
    return s;
}

std::string FormatByteCount(uint64_t count, int format, const NumberSeparators& separators) {
    switch (format) {
        case 1:
            return Grouped(count, separators.thousands);
        case 2: {
            if (count < 1000) return std::to_string(count);
            if (count < 1000000)
                return WithDecimal(Fixed3(double(count) / 1000.0).substr(0, 5), separators.decimal) + "K";
            std::string text = Fixed3(double(count) / 1000000.0).substr(0, 5);
            if (text.back() == '.') text.pop_back();
            return WithDecimal(text, separators.decimal) + "M";
        }
        default:
            return std::to_string(count);
    }
}

}  // namespace orkan
