#include "charset/display_unicode.h"

#include <array>
#include <cstdio>
#include <utility>

namespace orkan {
namespace {

struct Text {
    std::array<char32_t, 2> cp{};
    uint8_t length = 0;
    constexpr std::u32string_view View() const { return {cp.data(), length}; }
};

constexpr uint8_t kDup = 0x8E;
constexpr uint8_t kFieldMark = 0x8F;
constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kByteOrderMark = 0xFEFF;

// Windows-1252 0x80-0x9F. The five bytes 1252 leaves undefined keep their C1 code points, as the
// platform's own conversion does, so they survive a trip through a file.
constexpr std::array<char32_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
};

constexpr std::array<Text, 256> MakeDisplayTable() {
    std::array<Text, 256> t{};
    for (unsigned b = 0; b < 256; ++b) {
        char32_t cp = (b >= 0x80 && b < 0xA0) ? kWindows1252High[b - 0x80] : char32_t(b);
        t[b] = Text{{cp, 0}, 1};
    }
    // The 3270 shows DUP as an overlined asterisk and FIELD MARK as an overlined semicolon; Unicode
    // has no single character for either, and the 3270 font draws the combining overline over both.
    // Windows-1252's Z caron at 0x8E has no display byte in this system.
    t[kDup] = Text{{U'*', kCombiningOverline}, 2};
    t[kFieldMark] = Text{{U';', kCombiningOverline}, 2};
    return t;
}

constexpr std::array<Text, 256> kDisplay = MakeDisplayTable();

struct GraphicEscapeChar {
    uint8_t byte;
    char32_t cp;
};

// Code page 310 (APL and text graphic escape set), by IBM's chart.
constexpr GraphicEscapeChar kGraphicEscape[] = {
    {0x40, 0x0020}, {0x70, 0x22C4}, {0x71, 0x2227}, {0x72, 0x00A8}, {0x73, 0x233B}, {0x74, 0x2378},
    {0x75, 0x2377}, {0x76, 0x22A2}, {0x77, 0x22A3}, {0x78, 0x2228}, {0x80, 0x223C}, {0x81, 0x2551},
    {0x82, 0x2550}, {0x83, 0x23B8}, {0x84, 0x23B9}, {0x85, 0x2502}, {0x8A, 0x2191}, {0x8B, 0x2193},
    {0x8C, 0x2264}, {0x8D, 0x2308}, {0x8E, 0x230A}, {0x8F, 0x2192}, {0x90, 0x2395}, {0x91, 0x258C},
    {0x92, 0x2590}, {0x93, 0x2580}, {0x94, 0x2584}, {0x95, 0x2588}, {0x9A, 0x2283}, {0x9B, 0x2282},
    {0x9C, 0x00A4}, {0x9D, 0x25CB}, {0x9E, 0x00B1}, {0x9F, 0x2190}, {0xA0, 0x00AF}, {0xA1, 0x00B0},
    {0xA2, 0x2500}, {0xA3, 0x2219}, {0xA4, 0x2099}, {0xAA, 0x2229}, {0xAB, 0x222A}, {0xAC, 0x22A5},
    {0xAD, 0x005B}, {0xAE, 0x2265}, {0xAF, 0x2218}, {0xB0, 0x237A}, {0xB1, 0x220A}, {0xB2, 0x2373},
    {0xB3, 0x2374}, {0xB4, 0x2375}, {0xB6, 0x00D7}, {0xB7, 0x2216}, {0xB8, 0x00F7}, {0xBA, 0x2207},
    {0xBB, 0x2206}, {0xBC, 0x22A4}, {0xBD, 0x005D}, {0xBE, 0x2260}, {0xBF, 0x2223}, {0xC0, 0x007B},
    {0xC1, 0x207D}, {0xC2, 0x207A}, {0xC3, 0x220E}, {0xC4, 0x2514}, {0xC5, 0x250C}, {0xC6, 0x251C},
    {0xC7, 0x2534}, {0xC8, 0x00A7}, {0xCA, 0x2372}, {0xCB, 0x2371}, {0xCC, 0x2337}, {0xCD, 0x233D},
    {0xCE, 0x2342}, {0xCF, 0x2349}, {0xD0, 0x007D}, {0xD1, 0x207E}, {0xD2, 0x207B}, {0xD3, 0x253C},
    {0xD4, 0x2518}, {0xD5, 0x2510}, {0xD6, 0x2524}, {0xD7, 0x252C}, {0xD8, 0x00B6}, {0xDA, 0x2336},
    {0xDB, 0x0021}, {0xDC, 0x2352}, {0xDD, 0x234B}, {0xDE, 0x235E}, {0xDF, 0x235D}, {0xE0, 0x2261},
    {0xE1, 0x2081}, {0xE2, 0x2082}, {0xE3, 0x2083}, {0xE4, 0x2364}, {0xE5, 0x2365}, {0xE6, 0x236A},
    {0xE7, 0x20AC}, {0xEA, 0x233F}, {0xEB, 0x2340}, {0xEC, 0x2235}, {0xED, 0x2296}, {0xEE, 0x2339},
    {0xEF, 0x2355}, {0xF0, 0x2070}, {0xF1, 0x00B9}, {0xF2, 0x00B2}, {0xF3, 0x00B3}, {0xF4, 0x2074},
    {0xF5, 0x2075}, {0xF6, 0x2076}, {0xF7, 0x2077}, {0xF8, 0x2078}, {0xF9, 0x2079}, {0xFB, 0x236B},
    {0xFC, 0x2359}, {0xFD, 0x235F}, {0xFE, 0x234E},
};

// The underscored capital letters sit where EBCDIC keeps A-I, J-R and S-Z.
constexpr std::array<std::pair<uint8_t, char>, 3> kUnderscoredRuns = {
    {{0x41, 'A'}, {0x51, 'J'}, {0x62, 'S'}}};
constexpr std::array<uint8_t, 3> kUnderscoredRunLength = {9, 9, 8};

constexpr std::array<Text, 256> MakeGraphicEscapeTable() {
    std::array<Text, 256> t{};
    for (const GraphicEscapeChar& g : kGraphicEscape) t[g.byte] = Text{{g.cp, 0}, 1};
    for (size_t run = 0; run < kUnderscoredRuns.size(); ++run)
        for (uint8_t i = 0; i < kUnderscoredRunLength[run]; ++i)
            t[kUnderscoredRuns[run].first + i] =
                Text{{char32_t(kUnderscoredRuns[run].second + i), kCombiningLowLine}, 2};
    return t;
}

constexpr std::array<Text, 256> kGraphicEscapeTable = MakeGraphicEscapeTable();

// The longest entry of `table` that `text` begins with.
std::optional<CharacterMatch> Match(const std::array<Text, 256>& table, std::u32string_view text) {
    std::optional<CharacterMatch> best;
    for (unsigned b = 0; b < 256; ++b) {
        const Text& t = table[b];
        if (t.length == 0 || t.length > text.size()) continue;
        if (text.substr(0, t.length) != t.View()) continue;
        if (!best || t.length > best->length) best = CharacterMatch{uint8_t(b), t.length};
    }
    return best;
}

struct Decoded {
    char32_t cp;
    size_t offset;  // in the UTF-8 input
};

// Strict UTF-8: overlong forms, surrogates and values past U+10FFFF are not characters.
std::vector<Decoded> DecodeUtf8(std::string_view s) {
    std::vector<Decoded> out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const auto b0 = uint8_t(s[i]);
        size_t need = 0;
        char32_t cp = 0, min = 0;
        if (b0 < 0x80) {
            out.push_back({b0, i++});
            continue;
        } else if ((b0 & 0xE0) == 0xC0) {
            need = 1, cp = b0 & 0x1F, min = 0x80;
        } else if ((b0 & 0xF0) == 0xE0) {
            need = 2, cp = b0 & 0x0F, min = 0x800;
        } else if ((b0 & 0xF8) == 0xF0) {
            need = 3, cp = b0 & 0x07, min = 0x10000;
        } else {
            out.push_back({kReplacement, i++});
            continue;
        }
        size_t k = 1;
        for (; k <= need && i + k < s.size() && (uint8_t(s[i + k]) & 0xC0) == 0x80; ++k)
            cp = (cp << 6) | (uint8_t(s[i + k]) & 0x3F);
        if (k <= need || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            // One replacement for the lead byte and the continuation bytes that came with it.
            out.push_back({kReplacement, i});
            i += k;
            continue;
        }
        out.push_back({cp, i});
        i += need + 1;
    }
    return out;
}

}  // namespace

std::u32string_view DisplayToUnicode(uint8_t display) {
    return kDisplay[display].View();
}

std::u32string_view GraphicEscapeToUnicode(uint8_t ge) {
    return kGraphicEscapeTable[ge].View();
}

std::optional<CharacterMatch> MatchDisplay(std::u32string_view text) {
    if (text.empty()) return std::nullopt;
    if (text.size() >= 2 && text[1] == kCombiningOverline) {
        if (text[0] == U'*') return CharacterMatch{kDup, 2};
        if (text[0] == U';') return CharacterMatch{kFieldMark, 2};
    }
    const char32_t cp = text[0];
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return CharacterMatch{uint8_t(cp), 1};
    for (unsigned b = 0x80; b < 0xA0; ++b)
        if (kDisplay[b].length == 1 && kDisplay[b].cp[0] == cp) return CharacterMatch{uint8_t(b), 1};
    return std::nullopt;
}

std::optional<CharacterMatch> MatchGraphicEscape(std::u32string_view text) {
    return Match(kGraphicEscapeTable, text);
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

void AppendUtf8(std::string& out, std::u32string_view text) {
    for (char32_t cp : text) AppendUtf8(out, cp);
}

std::string DisplayToUtf8(std::string_view display) {
    std::string out;
    out.reserve(display.size());
    for (size_t i = 0; i < display.size(); ++i) {
        if (display[i] == '\r' && i + 1 < display.size() && display[i + 1] == '\n') {
            out.push_back('\n');
            ++i;
            continue;
        }
        AppendUtf8(out, DisplayToUnicode(uint8_t(display[i])));
    }
    return out;
}

std::string DescribeUnconvertible(const Unconvertible& failure) {
    char text[96];
    if (failure.code_point == U'\uFFFD')
        std::snprintf(text, sizeof text, "a byte that is not UTF-8 at byte %zu", failure.offset);
    else
        std::snprintf(text, sizeof text, "U+%04X at byte %zu", unsigned(failure.code_point), failure.offset);
    std::string out = text;
    if (failure.code_point == U'\u017D') out += " (its Windows-1252 byte 8E is DUP here)";
    return out;
}

DisplayText Utf8ToDisplay(std::string_view utf8) {
    DisplayText result;
    std::vector<Decoded> decoded = DecodeUtf8(utf8);
    std::u32string cps;
    cps.reserve(decoded.size());
    for (const Decoded& d : decoded) cps.push_back(d.cp);
    std::u32string_view rest(cps);
    size_t at = 0;
    if (!rest.empty() && rest[0] == kByteOrderMark) at = 1;
    result.text.reserve(cps.size());
    while (at < cps.size()) {
        rest = std::u32string_view(cps).substr(at);
        if (rest[0] == U'\n' || (rest[0] == U'\r' && rest.size() > 1 && rest[1] == U'\n')) {
            result.text += "\r\n";
            at += rest[0] == U'\r' ? 2 : 1;
            continue;
        }
        auto match = rest[0] == kReplacement ? std::nullopt : MatchDisplay(rest);
        if (!match) {
            result.failures.push_back({decoded[at].offset, rest[0]});
            result.text.push_back('?');
            ++at;
            continue;
        }
        result.text.push_back(char(match->byte));
        at += match->length;
    }
    return result;
}

}  // namespace orkan
