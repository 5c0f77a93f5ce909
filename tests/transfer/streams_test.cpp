// File data on its way up and down: line ends, UTF-8, the trailing 0x1A, piece boundaries.
#include <gtest/gtest.h>

#include <sstream>

#include "support/golden_file.h"
#include "transfer/byte_count.h"
#include "transfer/transfer_streams.h"
#include "transfer_session.h"

namespace orkan {
namespace {

using test::MemoryFile;
using test::MemorySource;
using test::MemoryTarget;

TextOptions Identity(const std::string& options = "") {
    TextOptions o;
    for (int i = 0; i < 256; ++i) o.table[size_t(i)] = uint8_t(i);
    std::istringstream words(options);
    for (std::string w; words >> w;) {
        o.line_ends |= w == "crlf";
        o.utf8 |= w == "utf8";
        o.binary |= w == "binary";
        o.remove_1a |= w == "1a";
    }
    return o;
}

// The rows of data/streams.tsv of one kind.
std::vector<test::TableRow> Rows(const std::string& kind) {
    std::vector<test::TableRow> rows = test::ReadTableRows("transfer/data/streams.tsv");
    std::erase_if(rows, [&](const test::TableRow& r) { return r.cells[0] != kind; });
    return rows;
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

// What is read, or why it cannot be.
TEST(UploadReader, ConversionsAndFailures) {
    for (const test::TableRow& row : Rows("up")) {
        for (size_t piece : {size_t(1), size_t(3), size_t(1) << 20}) {
            UploadReader r(std::make_unique<MemorySource>(row.cells[1], piece), Identity(row.cells[2]));
            std::string error;
            const std::string all = ReadAll(r, 256, &error);
            EXPECT_EQ(error.empty() ? all : error, row.cells[3]) << row.where << " piece " << piece;
        }
    }
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

TEST(DownloadWriter, Conversions) {
    for (const test::TableRow& row : Rows("down")) {
        SCOPED_TRACE(row.where);
        MemoryFile file;
        DownloadWriter w(std::make_unique<MemoryTarget>(file), Identity(row.cells[2]));
        for (const std::string& b : test::SplitBars(row.cells[1]))
            EXPECT_EQ(w.Write(std::span(reinterpret_cast<const uint8_t*>(b.data()), b.size())), 0);
        EXPECT_EQ(w.Finish(), 0);
        EXPECT_EQ(file.written, row.cells[3]);
        EXPECT_TRUE(file.completed);
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
    for (const test::TableRow& row : Rows("count"))
        EXPECT_EQ(
            FormatByteCount(std::stoull(row.cells[1]), std::stoi(row.cells[2]), NumberSeparators{".", ","}),
            row.cells[3])
            << row.where;
    EXPECT_EQ(FormatByteCount(1234, 1, NumberSeparators{}), "1,234");
}

}  // namespace
}  // namespace orkan
