// The country list parser on small sample files (every section, every mode, the edges), then our
// data/country.lst against glibc's iconv: the screen table of every country, and every transfer
// table carrying each character that both the host and the PC code page have. Then display bytes
// and graphic-escape bytes against Unicode: round trips, the 3270's own symbols, line ends, and the
// characters that cannot be converted.
#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "charset/country_list.h"
#include "charset/display_unicode.h"
#include "charset/fixed_tables.h"
#include "charset/translate.h"
#include "support/golden_file.h"
#include "support/loopback.h"

namespace orkan {
namespace {

using test::Bytes;

// A base SCREEN table that shows host byte i as display character i, and the same for TRANSFER.
std::string IdentityTable(const char* keyword) {
    std::string s = std::string(keyword) + "\n";
    for (int i = 0; i < 256; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", i);
        s += hex;
        s += (i % 16 == 15) ? "\n" : " ";
    }
    return s;
}

const std::string kBase = "BASE\n" + IdentityTable("SCREEN") + IdentityTable("TRANSFER DOS (US 437)") +
                          IdentityTable("TRANSFER Windows (1252)");

struct Parsed {
    CharsetTables tables;
    CountryLists lists;
    CountryListResult result;
};

Parsed Parse(const std::string& file, CountryListMode mode,
             CountrySelections sel = {"Land", "Land", "Windows (1252)"}) {
    Parsed p;
    p.result = ParseCountryList(Bytes(file), mode, sel, p.tables, &p.lists);
    return p;
}

TEST(CountryList, ScreenCorrectionsAndTheirTransferEntries) {
    const std::string file = kBase +
                             "COUNTRY Other\nSCREEN\n41 = 99\n"
                             "COUNTRY Land\nOR Second Name\nCODEPAGE 1141 695\nSCREEN\n"
                             "4A = A2    * cent\n4B=C4\nA 4C = 01\n4D 0042 = 02\n";
    struct Case {
        const char* transfer;
        uint8_t host, screen, pc, upload;
    };
    const Case cases[] = {
        {"DOS (US 437)", 0x4A, 0xA2, 0x9B, 0x5B},  // the DOS character of the cent sign
        {"DOS (US 437)", 0x4B, 0xC4, 0x8E, 0x2E},   {"Windows (1252)", 0x4A, 0xA2, 0xA2, 0x5B},
        {"Windows (1252)", 0x41, 0x41, 0x41, 0x41},  // Other's correction did nothing
        {"Windows (1252)", 0x4C, 0x4C, 0x01, 0x01},  // one- and four-character words are no values
        {"Windows (1252)", 0x4D, 0x4D, 0x02, 0x02},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.transfer);
        for (const char* name : {"Land", "Second Name"}) {
            Parsed p = Parse(file, CountryListMode::CodePage, {name, "", c.transfer});
            EXPECT_TRUE(p.result.country_found && p.result.transfer_found);
            EXPECT_EQ(p.tables.screen[c.host], c.screen);
            EXPECT_EQ(p.tables.upload[c.pc], c.upload);
            EXPECT_EQ(p.tables.code_page, 1141);
            EXPECT_EQ(p.tables.character_set, 695);
        }
    }
    EXPECT_EQ(Parse(file, CountryListMode::CodePage).result.problems.size(), 2u);  // the two odd lines
}

TEST(CountryList, SameTablesWhateverTheLineEndsOrEndOfFileMark) {
    const std::string file = kBase + "COUNTRY Land\nSCREEN\n4A = A2\nEND\n42 = 43\n";
    Parsed reference = Parse(file, CountryListMode::CodePage);
    std::string crlf, cr;
    for (char c : file) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        cr += c == '\n' ? '\r' : c;
    }
    for (const std::string& variant : {file + "\x1A", crlf, cr, crlf + "\x1A"}) {
        Parsed p = Parse(variant, CountryListMode::CodePage);
        EXPECT_EQ(p.tables.screen, reference.tables.screen);
        EXPECT_EQ(p.tables.upload, reference.tables.upload);
        EXPECT_TRUE(p.result.problems.empty());
    }
    EXPECT_EQ(reference.tables.screen[0x42], 0x42);  // after END nothing counts
}

TEST(CountryList, InversesSendTheHigherHostByteAndPreferCorrections) {
    const std::string file = kBase + "COUNTRY Land\nSCREEN\n30 = 41\n50 = 41\n9F = 80\n";
    Parsed p = Parse(file, CountryListMode::CodePage);
    EXPECT_EQ(DisplayToHost(p.tables, 0x41), 0x50);
    EXPECT_EQ(DisplayToHost(p.tables, 0x00), 0x00);  // host 00 shows as 00, which is never sent
    // The base entry of 0xD0 and the correction's 0x80 upload alike: the download follows the correction.
    EXPECT_EQ(p.tables.upload[0x80], kHostTransferTable[0x9F]);
    ASSERT_EQ(p.tables.upload[0xD0], kHostTransferTable[0x9F]);
    EXPECT_EQ(p.tables.download[kHostTransferTable[0x9F]], 0x80);
    // Under DOS, 1252's 80-9F have no DOS character: the correction leaves the upload table alone.
    Parsed dos = Parse(file, CountryListMode::CodePage, {"Land", "", "DOS (US 437)"});
    EXPECT_EQ(dos.tables.upload[0x80], 0x80);
    EXPECT_EQ(dos.tables.screen[0x9F], 0x80);
}

TEST(CountryList, HostToDisplayFollowsTheHostTextMode) {
    Parsed p = Parse(kBase + "COUNTRY Land\nSCREEN\nC1 = 41\n41 = 20\n", CountryListMode::CodePage);
    EXPECT_EQ(HostToDisplay(p.tables, AsciiHost::Raw, 0xC1), 0xC1);
    EXPECT_EQ(HostToDisplay(p.tables, AsciiHost::RawLow, 0x41), 0x41);
    EXPECT_EQ(HostToDisplay(p.tables, AsciiHost::RawLow, 0xC1), 0x41);
    // Translate works on a text.
    char text[] = "\xC1\x41";
    EXPECT_EQ(HostToDisplay(p.tables, AsciiHost::Translate, text), 2u);
    EXPECT_STREQ(text, "\x41\x20");
}

TEST(CountryList, BaseTablesOfTheWrongLengthAreReported) {
    Parsed p = Parse("BASE\nSCREEN\n01 A 0003 02\n", CountryListMode::CodePage);
    ASSERT_EQ(p.result.problems.size(), 1u);
    EXPECT_EQ(p.result.problems[0].line, 2);
    EXPECT_EQ(p.tables.screen[1], 0x02);
    p = Parse("BASE\n" + IdentityTable("SCREEN") + "FF FE\n", CountryListMode::CodePage);
    ASSERT_EQ(p.result.problems.size(), 1u);
    EXPECT_EQ(p.tables.screen[0xFF], 0xFF);
}

const std::string kKeyboardFile =
    "BASE\nKEYSCANCODES\n01 02 003\nCOUNTRY Other\nKEYLAYOUT\n10 = 41\n"
    "COUNTRY Land\nKEYSCANCODES\n09 09\nKEYLAYOUT\n10 = 71\n11 = 77, 57\n012 = 65, 45, 80\n"
    "KEYSCANMODS\nDE = C0\nKEYESCAPES\n28 01 5E 61, 65 = E2, EA\n28 00 60 61 = E0\n";

TEST(CountryList, KeyboardSections) {
    Parsed p = Parse(kKeyboardFile, CountryListMode::Keyboard);
    EXPECT_TRUE(p.result.problems.empty());
    // Values of the selected block are no base values.
    EXPECT_EQ(std::tie(p.tables.key_scan_codes[0], p.tables.key_scan_codes[2], p.tables.key_scan_codes[3]),
              std::make_tuple(1, 3, kListEnd));
    struct Layout {
        uint8_t key, unshifted, shifted, third;
    };
    const Layout layouts[] = {
        {0x10, 0x71, 0x71, 0x71}, {0x11, 0x77, 0x57, 0x77}, {12, 0x65, 0x45, 0x80}, {255, 0, 0, 0}};
    for (size_t i = 0; i < std::size(layouts); ++i) {
        const KeyLayoutRecord& r = p.tables.key_layout[i];
        EXPECT_EQ(std::tie(r.key, r.unshifted, r.shifted, r.third),
                  std::tie(layouts[i].key, layouts[i].unshifted, layouts[i].shifted, layouts[i].third));
    }
    EXPECT_EQ(p.tables.scan_mods[0], ScanModPair(0xDE, 0xC0));
    EXPECT_EQ(p.tables.scan_mods[1].first, kListEnd);
    const KeyEscapeRecord& e = p.tables.key_escapes[0];
    EXPECT_EQ(std::tie(e.key, e.shift_state, e.dead, e.count), std::make_tuple(0x28, 1, 0x5E, 2));
    EXPECT_EQ(e.base[1], 0x65);
    EXPECT_EQ(e.composed[1], 0xEA);
    EXPECT_EQ(p.tables.key_escapes[1].composed[0], 0xE0);
    EXPECT_EQ(p.tables.key_escapes[2].key, kListEnd);
    // Another keyboard country starts from empty lists.
    CountryListResult none =
        ParseCountryList(Bytes(kKeyboardFile), CountryListMode::Keyboard, {"", "Nowhere", ""}, p.tables);
    EXPECT_FALSE(none.country_found);
    EXPECT_EQ(p.tables.key_layout[0].key, kListEnd);
    EXPECT_EQ(p.tables.key_scan_codes[0], 1);
}

TEST(CountryList, KeyboardEntriesBeyondCapacityOrMalformedAreRefused) {
    std::string file = "COUNTRY Land\nKEYLAYOUT\n";
    for (int i = 0; i < 300; ++i) file += std::to_string(100 + i % 100) + " = 41\n";
    file += "KEYSCANMODS\n";
    for (int i = 0; i < 300; ++i) file += "10 = 20\n";
    file += "KEYESCAPES\n";
    for (int i = 0; i < 70; ++i) file += "28 01 5E 61 = E2\n";
    file +=
        "28 04 5E 61 = E2\n28 01 5E 61 62 = E2\nFF 01 5E 61 = E2\n28 01 5E\n"
        "28 01 5E 01 02 03 04 05 06 07 08 09 = 01 02 03 04 05 06 07 08 09\n";
    Parsed p = Parse(file, CountryListMode::Keyboard);
    EXPECT_EQ(p.tables.key_layout[254].key, 154);
    EXPECT_EQ(p.tables.key_layout[255].key, kListEnd);
    EXPECT_EQ(p.tables.scan_mods[255].first, kListEnd);
    EXPECT_EQ(p.tables.key_escapes[62].key, 0x28);
    EXPECT_EQ(p.tables.key_escapes[63].key, kListEnd);
    EXPECT_EQ(p.result.problems.size(), 45u + 45u + 7u + 5u);
    EXPECT_EQ(p.result.problems.front().line, 2 + 256);
}

TEST(CountryList, ListMode) {
    const std::string file =
        kBase + kKeyboardFile +
        "COUNTRY Germany\nOR CP273\nCODEPAGE 273\nSCREEN\nKEYLAYOUT\n"
        "COUNTRY United States\nSCREEN\nTRANSFER ISO 8859-1\n"
        "COUNTRY A name much longer than thirty-one characters\nSCREEN\nEND\nCOUNTRY Late\nSCREEN\n";
    Parsed p = Parse(file, CountryListMode::List, {"CP273", "Germany", "ISO 8859-1"});
    ASSERT_EQ(p.lists.countries.size(), 3u);
    EXPECT_EQ(p.lists.countries[1].name, "CP273");
    EXPECT_EQ(p.lists.countries[1].code_page, 273);
    EXPECT_EQ(p.lists.countries[2].code_page, 37);
    EXPECT_EQ(p.lists.keyboard_countries,
              (std::vector<std::string>{"", "Other", "Land", "Germany", "CP273"}));
    EXPECT_EQ(p.lists.transfer_tables,
              (std::vector<std::string>{"DOS (US 437)", "Windows (1252)", "ISO 8859-1"}));
    EXPECT_EQ(std::tie(p.lists.current_country, p.lists.current_keyboard, p.lists.current_transfer),
              std::make_tuple(1, 3, 2));
    EXPECT_EQ(p.result.problems.size(), 1u);  // the long name
    EXPECT_EQ(Parse(file, CountryListMode::List, {"", "", ""}).lists.current_keyboard, 0);
}

// One single-byte charset as glibc's iconv sees it: byte -> code point, and back.
struct Charset {
    explicit Charset(const std::string& name) {
        iconv_t cd = iconv_open("UTF-32LE", name.c_str());
        EXPECT_NE(cd, iconv_t(-1)) << name;
        if (cd == iconv_t(-1)) return;
        for (int b = 0; b < 256; ++b) {
            char in = char(b);
            char32_t out = 0;
            char* inp = &in;
            char* outp = reinterpret_cast<char*>(&out);
            size_t inleft = 1, outleft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &inp, &inleft, &outp, &outleft) != size_t(-1) && outleft == 0) to_unicode[b] = out;
        }
        iconv_close(cd);
    }
    // The lowest byte of the code point.
    std::optional<uint8_t> FromUnicode(char32_t cp) const {
        const auto at = std::find(to_unicode.begin(), to_unicode.end(), cp);
        return at == to_unicode.end() ? std::nullopt : std::optional<uint8_t>(at - to_unicode.begin());
    }
    std::array<std::optional<char32_t>, 256> to_unicode{};
};

// glibc's IBM278 and IBM871 swap two characters each against IBM's tables and against glibc's own
// IBM1143 and IBM1149, which are the same pages with the euro sign.
struct Erratum {
    uint16_t page;
    uint8_t host;
    char32_t cp;
};
constexpr Erratum kGlibcErrata[] = {
    {278, 0x71, U'\\'}, {278, 0xE0, U'\u00C9'}, {871, 0x4A, U'\u00DE'}, {871, 0xC0, U'\u00FE'}};

struct TransferCode {
    const char* name;
    const char* charset;
};
constexpr TransferCode kTransfers[] = {{"DOS (US 437)", "IBM437"},
                                       {"Windows (1252)", "CP1252"},
                                       {"ISO 8859-1", "ISO-8859-1"},
                                       {"ISO 8859-15", "ISO-8859-15"}};

class CountryData : public ::testing::Test {
  protected:
    void SetUp() override {
        std::ifstream in(std::string(ORKAN_SOURCE_DIR) + "/data/country.lst", std::ios::binary);
        ASSERT_TRUE(in) << "data/country.lst";
        file_.assign(std::istreambuf_iterator<char>(in), {});
        CharsetTables unused;
        CountryListResult r = ParseCountryList(file_, CountryListMode::List, {}, unused, &lists_);
        EXPECT_TRUE(r.problems.empty());
    }
    CountryListResult Build(const std::string& country, const std::string& transfer, CharsetTables& t) {
        return ParseCountryList(file_, CountryListMode::CodePage, {country, "", transfer}, t);
    }
    std::vector<uint8_t> file_;
    CountryLists lists_;
};

TEST(CountryDataFile, IsWhatTheGeneratorWrites) {
    if (std::system("python3 --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
    const std::string command = "python3 " ORKAN_SOURCE_DIR "/tools/gen_country_lst.py --check";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

TEST_F(CountryData, DefaultSelectionsExist) {
    CharsetTables t;
    CountryListResult r = ParseCountryList(file_, CountryListMode::Keyboard, {"", "United States", ""}, t);
    EXPECT_TRUE(r.country_found && r.problems.empty());
    // Without corrections every transfer table is one-to-one: a text file survives a round trip.
    for (const TransferCode& tc : kTransfers) {
        r = Build("United States", tc.name, t);
        EXPECT_TRUE(r.country_found && r.transfer_found) << tc.name;
        for (int pc = 0; pc < 256; ++pc) EXPECT_EQ(t.download[t.upload[pc]], pc) << tc.name;
    }
}

TEST_F(CountryData, EveryCountryAgreesWithIconv) {
    ASSERT_GE(lists_.countries.size(), 21u);
    const Charset windows("CP1252");
    std::vector<uint16_t> pages_seen;
    for (const CountryListEntry& country : lists_.countries) {
        const uint16_t page = country.code_page;
        const std::string charset = page == 37 ? "IBM037" : "IBM" + std::to_string(page);
        SCOPED_TRACE(country.name + " " + charset);
        pages_seen.push_back(page);
        Charset host_page(charset);
        for (const Erratum& e : kGlibcErrata)
            if (e.page == page) host_page.to_unicode[e.host] = e.cp;
        for (const TransferCode& tc : kTransfers) {
            SCOPED_TRACE(tc.name);
            const Charset pc_page(tc.charset);
            CharsetTables t;
            ASSERT_TRUE(Build(country.name, tc.name, t).problems.empty());
            EXPECT_EQ(t.code_page, page);
            EXPECT_EQ(t.character_set, page >= 1140 ? 695 : 697);
            EXPECT_EQ(t.screen[0x1C], 0x8E);  // DUP
            EXPECT_EQ(t.screen[0x1E], 0x8F);  // FIELD MARK
            for (int host = 0x41; host <= 0xFE; ++host) {
                auto cp = host_page.to_unicode[host];
                ASSERT_TRUE(cp) << host;
                if (auto display = windows.FromUnicode(*cp)) {
                    EXPECT_EQ(t.screen[host], *display) << host;
                }
                // The transfer table carries the character when the PC code page has it.
                auto pc = pc_page.FromUnicode(*cp);
                if (!pc) continue;
                if (tc.name[0] == 'D') {
                    // DOS: where the conversion table picks a look-alike, 437's own byte is not used.
                    auto ansi = windows.FromUnicode(*cp);
                    if (!ansi || kDosConversionTable[*ansi] != *pc) continue;
                }
                EXPECT_EQ(t.upload[*pc], kHostTransferTable[host]) << host;
                EXPECT_EQ(t.download[kHostTransferTable[host]], *pc) << host;
            }
        }
    }
    for (uint16_t page : {37,   273,  277,  278,  280,  284,  285,  297,  500,  871, 1047,
                          1140, 1141, 1142, 1143, 1144, 1145, 1146, 1147, 1148, 1149})
        EXPECT_NE(std::find(pages_seen.begin(), pages_seen.end(), page), pages_seen.end()) << page;
}

TEST(DisplayUnicode, EveryDisplayByteSurvivesTheTripOut) {
    for (int b = 0; b < 256; ++b) {
        if (b == '\n') continue;  // a lone LF inside comes back as a line end, CR LF
        const std::string inside(1, char(b));
        DisplayText back = Utf8ToDisplay(DisplayToUtf8(inside));
        EXPECT_TRUE(back.failures.empty()) << b;
        EXPECT_EQ(back.text, inside) << b;
    }
}

// The cases are in data/display_unicode.tsv.
TEST(DisplayUnicode, Utf8ToDisplayAndBack) {
    for (const test::TableRow& row : test::ReadTableRows("charset/data/display_unicode.tsv")) {
        ASSERT_EQ(row.cells.size(), 3u) << row.where;
        SCOPED_TRACE(row.where);
        const DisplayText d = Utf8ToDisplay(row.cells[0]);
        EXPECT_EQ(d.text, row.cells[1]);
        std::string failures;
        for (const Unconvertible& u : d.failures) {
            char one[32];
            std::snprintf(one, sizeof one, " %zu:%04X", u.offset, unsigned(u.code_point));
            failures += one;
        }
        EXPECT_EQ(failures.empty() ? "-" : failures.substr(1), row.cells[2]);
        if (d.failures.empty()) {
            EXPECT_EQ(DisplayToUtf8(row.cells[1]), row.cells[0]);
        }
    }
}

TEST(DisplayUnicode, LineEndsAndByteOrderMark) {
    EXPECT_EQ(DisplayToUtf8("a\r\nb\rc"), "a\nb\rc");
    EXPECT_EQ(Utf8ToDisplay("\xEF\xBB\xBF"
                            "a\nb\r\nc\r")
                  .text,
              "a\r\nb\r\nc\r");
}

TEST(DisplayUnicode, GraphicEscapeBytesRoundTrip) {
    for (int b = 0; b < 256; ++b) {
        std::u32string_view text = GraphicEscapeToUnicode(uint8_t(b));
        if (text.empty()) continue;
        auto match = MatchGraphicEscape(text);
        ASSERT_TRUE(match) << b;
        EXPECT_EQ(match->byte, b);
        EXPECT_EQ(match->length, text.size());
    }
    EXPECT_EQ(GraphicEscapeToUnicode(0x41), U"A\u0332");
    EXPECT_TRUE(GraphicEscapeToUnicode(0x00).empty());
    EXPECT_FALSE(MatchGraphicEscape(U"\u00E4"));
}

}  // namespace
}  // namespace orkan
