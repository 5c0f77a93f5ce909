// File data on its way up and down: line ends, UTF-8, the trailing 0x1A, piece boundaries.
#include <gtest/gtest.h>

#include "transfer/byte_count.h"
#include "transfer/transfer_streams.h"
#include "transfer_fakes.h"

namespace orkan {
namespace {

using test::MemoryFile;
using test::MemorySource;
using test::MemoryTarget;

TextOptions Identity() {
    TextOptions o;
    for (int i = 0; i < 256; ++i) o.table[size_t(i)] = uint8_t(i);
    return o;
}

// Reads the whole source in blocks of `limit`, each block checked against the limit.
std::string ReadAll(UploadReader& r, size_t limit, std::string* error = nullptr) {
    std::string all;
    std::vector<uint8_t> block;
    for (;;) {
        const auto status = r.Next(limit, block);
        if (status == UploadReader::Status::Failed) {
            if (error) *error = r.error();
            return all;
        }
        if (status == UploadReader::Status::End) return all;
        EXPECT_LE(block.size(), limit);
        all.append(block.begin(), block.end());
    }
}

TEST(UploadReader, Conversions) {
    struct Case {
        const char* name;
        std::string file;
        bool line_ends, utf8, binary;
        std::string sent;
    };
    const Case cases[] = {
        {"unchanged", "a\nb", false, false, false, "a\nb"},
        {"LF becomes CR LF", "a\n\nb\n", true, false, false, "a\r\n\r\nb\r\n"},
        {"UTF-8 to Windows-1252", "caf\xC3\xA9 \xE2\x82\xAC\n", true, true, false, "caf\xE9 \x80\r\n"},
        {"a byte order mark is not data", "\xEF\xBB\xBFx", false, true, false, "x"},
        {"binary ignores UTF-8", "\xC3\xA9", false, true, true, "\xC3\xA9"},
        {"empty file", "", true, true, false, ""},
    };
    for (const Case& c : cases) {
        for (size_t piece : {size_t(1), size_t(3), size_t(1) << 20}) {
            TextOptions o = Identity();
            o.line_ends = c.line_ends;
            o.utf8 = c.utf8;
            o.binary = c.binary;
            UploadReader r(std::make_unique<MemorySource>(c.file, piece), o);
            EXPECT_EQ(ReadAll(r, 256), c.sent) << c.name << " piece " << piece;
        }
    }
}

TEST(UploadReader, TheUploadTableApplies) {
    TextOptions o = Identity();
    o.table['a'] = 0x81;
    o.table['\r'] = 0x0D;
    o.line_ends = true;
    UploadReader r(std::make_unique<MemorySource>("a\n"), o);
    EXPECT_EQ(ReadAll(r, 256), "\x81\r\n");
}

TEST(UploadReader, BlocksStayWithinTheLimitAndKeepPairsWhole) {
    TextOptions o = Identity();
    o.line_ends = true;
    UploadReader r(std::make_unique<MemorySource>("abc\n\n\nd"), o);
    std::vector<uint8_t> block;
    std::vector<std::string> blocks;
    while (r.Next(4, block) == UploadReader::Status::Data) blocks.emplace_back(block.begin(), block.end());
    EXPECT_EQ(blocks, (std::vector<std::string>{"abc", "\r\n\r\n", "\r\nd"}));
}

TEST(UploadReader, GivenBackBytesComeFirst) {
    UploadReader r(std::make_unique<MemorySource>("abcdef"), Identity());
    std::vector<uint8_t> block;
    ASSERT_EQ(r.Next(4, block), UploadReader::Status::Data);
    r.GiveBack(std::span(block).subspan(1));  // "bcd" did not fit
    EXPECT_EQ(ReadAll(r, 256), "bcdef");
}

TEST(UploadReader, FailuresSayWhy) {
    struct Case {
        const char* name;
        std::string file;
        const char* error;
    };
    const Case cases[] = {
        {"a character Windows-1252 lacks", "ab\xE2\x88\x9E",
         "the file holds a character the transfer code page cannot carry (U+221E at byte 2)"},
        {"bytes that are not UTF-8", "ab\xFF",
         "the file holds a character the transfer code page cannot carry "
         "(bytes that are not UTF-8 at byte 2)"},
        {"an overlong form", "\xC0\xAF",
         "the file holds a character the transfer code page cannot carry (bytes "
         "that are not UTF-8 at byte 0)"},
        {"a character cut by the end", "ab\xC3",
         "the file ends inside a UTF-8 character (bytes that are not UTF-8 "
         "at byte 2)"},
    };
    for (const Case& c : cases) {
        TextOptions o = Identity();
        o.utf8 = true;
        UploadReader r(std::make_unique<MemorySource>(c.file, 1), o);
        std::string error;
        ReadAll(r, 256, &error);
        EXPECT_EQ(error, c.error) << c.name;
    }
    auto source = std::make_unique<MemorySource>("abcdef");
    source->fail_at = 3;
    UploadReader r(std::move(source), Identity());
    std::string error;
    ReadAll(r, 2, &error);
    EXPECT_EQ(error, "Input/output error");
}

struct Download {
    std::vector<std::string> blocks;
    bool line_ends, utf8, remove_1a, binary;
    std::string file;
};

TEST(DownloadWriter, Conversions) {
    const std::pair<const char*, Download> cases[] = {
        {"CR LF becomes LF across blocks", {{"a\r", "\nb\r\n"}, true, false, false, false, "a\nb\n"}},
        {"a lone CR stays", {{"a\rb\r"}, true, false, false, false, "a\rb\r"}},
        {"line ends kept when not asked", {{"a\r\n"}, false, false, false, false, "a\r\n"}},
        {"0x1A at the end of an inner block is data",
         {{"AB\x1A", "CD\x1A"},
          false,
          false,
          true,
          false,
          "AB\x1A"
          "CD"}},
        {"0x1A ends the file", {{"AB\x1A", ""}, false, false, true, false, "AB"}},
        {"0x1A kept without the setting", {{"AB\x1A"}, false, false, false, false, "AB\x1A"}},
        {"0x1A inside a block stays",
         {{"A\x1A"
           "B"},
          false,
          false,
          true,
          false,
          "A\x1A"
          "B"}},
        {"binary keeps 0x1A", {{"AB\x1A"}, false, false, true, true, "AB\x1A"}},
        {"UTF-8", {{"caf\xE9 \x80\x81"}, false, true, false, false, "caf\xC3\xA9 \xE2\x82\xAC\xC2\x81"}},
        {"CR, then 0x1A at the end", {{"a\r\x1A"}, true, false, true, false, "a\r"}},
    };
    for (const auto& [name, c] : cases) {
        MemoryFile file;
        TextOptions o = Identity();
        o.line_ends = c.line_ends;
        o.utf8 = c.utf8;
        o.remove_1a = c.remove_1a;
        o.binary = c.binary;
        DownloadWriter w(std::make_unique<MemoryTarget>(file), o);
        for (const std::string& b : c.blocks)
            EXPECT_EQ(w.Write(std::span(reinterpret_cast<const uint8_t*>(b.data()), b.size())), 0) << name;
        EXPECT_EQ(w.Finish(), 0) << name;
        EXPECT_EQ(file.written, c.file) << name;
        EXPECT_TRUE(file.completed) << name;
    }
}

TEST(DownloadWriter, EveryWindows1252ByteComesBackFromUtf8) {
    MemoryFile file;
    TextOptions o = Identity();
    o.utf8 = true;
    DownloadWriter w(std::make_unique<MemoryTarget>(file), o);
    std::vector<uint8_t> all;
    for (int i = 0; i < 256; ++i) all.push_back(uint8_t(i));
    ASSERT_EQ(w.Write(all), 0);
    ASSERT_EQ(w.Finish(), 0);
    UploadReader r(std::make_unique<MemorySource>(file.written), o);
    const std::string back = ReadAll(r, 1000);
    EXPECT_EQ(back, std::string(all.begin(), all.end()));
}

TEST(ByteCount, Formats) {
    const NumberSeparators sep{".", ","};  // a German locale
    struct Case {
        uint64_t count;
        int format;
        const char* text;
    };
    const Case cases[] = {
        {0, 0, "0"},
        {1234567, 0, "1234567"},
        {999, 1, "999"},
        {1234, 1, "1.234"},
        {1234567, 1, "1.234.567"},
        {999, 2, "999"},
        {1234, 2, "1,234K"},
        {12345, 2, "12,34K"},
        {999999, 2, "999,9K"},
        {1234567, 2, "1,235M"},
        {123456789, 2, "123,4M"},
        {1234567890, 2, "1234M"},
        {5, 7, "5"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatByteCount(c.count, c.format, sep), c.text) << c.count << "/" << c.format;
    EXPECT_EQ(FormatByteCount(1234, 1, NumberSeparators{}), "1,234");
}

}  // namespace
}  // namespace orkan
