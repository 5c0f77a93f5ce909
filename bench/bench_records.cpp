// The record dispatcher on realistic full-screen writes: every row in fields with extended
// colours and highlighting, SA runs, graphic-escape box edges, RA rulers and an input field per
// row, translated into the planes. Prints MB/s and records/s for 24 x 80 and 62 x 160 screens, and
// for the screens testhost streams in bench/compare_s3270.sh.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "ds3270/addressing.h"
#include "ds3270/fields.h"
#include "ds3270/write_processor.h"
#include "session/session.h"
#include "stream.h"
#include "support/iconv_tables.h"

namespace {

using namespace orkan;

class QuietUi : public Ui {
  public:
    Answer ShowMessage(const MessageBox& box) override { return SafestAnswer(box.buttons); }
};

class RecordWriter {
  public:
    RecordWriter(uint32_t columns, uint32_t positions, uint8_t command)
        : columns_(columns), positions_(positions) {
        bytes_ = {command, 0xC3};
    }
    void Sba(uint32_t row, uint32_t column) { Address(0x11, row * columns_ + column); }
    void Sfe(std::initializer_list<uint8_t> pairs) {
        bytes_.push_back(0x29);
        bytes_.push_back(uint8_t(pairs.size() / 2));
        bytes_.insert(bytes_.end(), pairs);
    }
    void Sf(uint8_t attribute) { bytes_.insert(bytes_.end(), {0x1D, attribute}); }
    void Sa(uint8_t type, uint8_t value) { bytes_.insert(bytes_.end(), {0x28, type, value}); }
    void Ge(uint8_t c) { bytes_.insert(bytes_.end(), {0x08, c}); }
    void RepeatTo(uint32_t row, uint32_t column, uint8_t c) {
        Address(0x3C, row * columns_ + column);
        bytes_.push_back(c);
    }
    void Ic() { bytes_.push_back(0x13); }
    // Words of EBCDIC letters and digits with blanks between them.
    void Words(std::mt19937& rng, uint32_t length) {
        static constexpr uint8_t kLetters[] = {0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9,
                                               0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9,
                                               0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0x81,
                                               0x85, 0x89, 0x96, 0xA4, 0xF1, 0xF2, 0x4B, 0x7E};
        std::uniform_int_distribution<int> letter(0, int(sizeof kLetters) - 1), word(2, 9);
        uint32_t until_blank = uint32_t(word(rng));
        for (uint32_t i = 0; i < length; ++i) {
            if (until_blank-- == 0) {
                bytes_.push_back(0x40);
                until_blank = uint32_t(word(rng));
            } else {
                bytes_.push_back(kLetters[letter(rng)]);
            }
        }
    }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

  private:
    void Address(uint8_t order, uint32_t address) {
        const EncodedAddress e = EncodeBufferAddress(positions_, address);
        bytes_.insert(bytes_.end(), {order, e.b1, e.b2});
    }
    uint32_t columns_, positions_;
    std::vector<uint8_t> bytes_;
};

// A panel: title, ruler, then rows of label, input field and description, a boxed area and a
// function-key line.
std::vector<uint8_t> MakePanel(std::mt19937& rng, uint32_t rows, uint32_t columns, uint8_t command) {
    RecordWriter w(columns, rows * columns, command);
    std::uniform_int_distribution<int> colour(0xF1, 0xF7), label(8, 16), field(6, 20);
    w.Sba(0, 0);
    w.Sfe({0xC0, 0xE8, 0x42, uint8_t(colour(rng))});
    w.Words(rng, columns - 1);
    w.Sba(1, 0);
    w.Sfe({0xC0, 0x60, 0x42, 0xF1});
    w.RepeatTo(2, 0, 0x60);
    for (uint32_t row = 2; row + 1 < rows; ++row) {
        w.Sba(row, 0);
        if (row % 8 == 7) {  // a box edge in graphic-escape characters
            w.Sf(0x60);
            w.Ge(0xC5);
            w.RepeatTo(row, columns - 2, 0xA2);
            w.Ge(0xD5);
            continue;
        }
        uint32_t used = 0;
        for (;;) {
            const uint32_t l = uint32_t(label(rng)), f = uint32_t(field(rng));
            if (used + l + f + 9 >= columns) break;
            w.Sfe({0xC0, 0x60, 0x42, uint8_t(colour(rng))});
            w.Words(rng, l);
            w.Sfe({0xC0, 0x40, 0x41, 0xF4, 0x42, 0xF6});
            if (row == 2 && used == 0) w.Ic();
            w.Words(rng, f);
            w.Sf(0x60);
            w.Sa(0x42, uint8_t(colour(rng)));
            w.Words(rng, 6);
            w.Sa(0x00, 0x00);
            used += l + f + 9;
        }
        w.Words(rng, columns - used - 1);
    }
    w.Sba(rows - 1, 0);
    w.Sfe({0xC0, 0x60, 0x41, 0xF2, 0x42, 0xF5});
    w.Words(rng, columns - 1);
    return w.Take();
}

struct Workload {
    uint32_t rows, columns;
    int model;  // terminal model index whose size the records use
    uint8_t command;
    bool stream = false;  // testhost's stream screens (bench/compare_s3270.sh) instead of panels
};

void BM_Records(benchmark::State& state, Workload load) {
    static const CharsetTables tables = test::Cp037Tables();
    QuietUi ui;
    auto session = std::make_unique<Session>(ui);
    Session& s = *session;
    s.charset = tables;
    s.record.SetNumber(field::TerminalModel, uint32_t(load.model));
    s.record.SetNumber(field::UserScreenWidth, load.columns);
    s.record.SetNumber(field::UserScreenHeight, load.rows);
    for (int role = 0; role < 20; ++role) s.record.SetRole(role, uint8_t(role % 16), uint8_t(role / 16));

    std::mt19937 rng(3270);
    std::vector<std::vector<uint8_t>> records;
    testhost::Codec codec;
    std::string error;
    if (load.stream && !codec.Open("IBM-037", error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (int i = 0; i < 64; ++i)
        records.push_back(load.stream ? testhost::StreamScreen(i, 64, int(load.rows), int(load.columns),
                                                               load.command, true, codec)
                                      : MakePanel(rng, load.rows, load.columns, load.command));
    size_t bytes = 0, count = 0, next = 0;
    for (auto _ : state) {
        const auto& record = records[next];
        next = (next + 1) % records.size();
        ProcessHostRecord(s, record);
        bytes += record.size();
        ++count;
    }
    benchmark::DoNotOptimize(s.ps.planes.display.data());
    state.SetBytesProcessed(int64_t(bytes));
    state.SetItemsProcessed(int64_t(count));
    state.counters["MB/s"] = benchmark::Counter(double(bytes) / 1e6, benchmark::Counter::kIsRate);
    state.counters["records/s"] = benchmark::Counter(double(count), benchmark::Counter::kIsRate);
    state.counters["bytes/record"] = double(bytes) / double(count ? count : 1);
}

BENCHMARK_CAPTURE(BM_Records, screen_24x80, Workload{24, 80, 0, 0xF5});
BENCHMARK_CAPTURE(BM_Records, screen_62x160, Workload{62, 160, 4, 0x7E});
BENCHMARK_CAPTURE(BM_Records, stream_24x80, Workload{24, 80, 0, 0xF5, true});

}  // namespace

BENCHMARK_MAIN();
