// Our data/country.lst against glibc's iconv: the screen table of every country, and every
// transfer table carrying each character that both the host and the PC code page have.
#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "charset/country_list.h"
#include "charset/fixed_tables.h"

namespace orkan {
namespace {

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
    CountryListResult r = Build("United States", "DOS (US 437)", t);
    EXPECT_TRUE(r.country_found && r.transfer_found && r.problems.empty());
    r = ParseCountryList(file_, CountryListMode::Keyboard, {"", "United States", ""}, t);
    EXPECT_TRUE(r.country_found && r.problems.empty());
    // Without corrections every transfer table is one-to-one: a text file survives a round trip.
    for (const TransferCode& tc : kTransfers) {
        Build("United States", tc.name, t);
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

}  // namespace
}  // namespace orkan
