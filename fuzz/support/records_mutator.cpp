// The records target's layout: flags, choice, then records separated by FF EF; a record that
// begins with FF sets the session up (operation and value pairs, see fuzz/fuzz_records.cpp).
#include <algorithm>

#include "stream_mutators.h"

namespace orkan::fuzz {
namespace {

struct RecordsInput {
    uint8_t flags = 0;
    uint8_t choice = 0x40;
    std::vector<Bytes> records;
};

RecordsInput ParseRecords(std::span<const uint8_t> data) {  // at least the two set-up bytes
    RecordsInput in{data[0], data[1], {}};
    for (const auto record : SplitRecords(data.subspan(2)))
        in.records.emplace_back(record.begin(), record.end());
    return in;
}

// The screen sizes the choice byte gives the records target.
ScreenShape ShapeOf(uint8_t choice) {
    constexpr uint32_t kDefault[8] = {1920, 80, 9920, 3564, 3440, 1, 1920, 1920};
    constexpr uint32_t kAlternate[5] = {1920, 2560, 3440, 3564, 9920};
    return {kDefault[choice & 7], kAlternate[(choice >> 3) % 5]};
}

// FF EF inside a record would split it: the EF becomes EE.
Bytes SerializeRecords(const RecordsInput& in) {
    Bytes out = {in.flags, in.choice};
    for (size_t r = 0; r < in.records.size(); ++r) {
        if (r > 0) out.insert(out.end(), {0xFF, 0xEF});
        const Bytes& record = in.records[r];
        for (size_t i = 0; i < record.size(); ++i)
            out.push_back(i > 0 && record[i] == 0xEF && record[i - 1] == 0xFF ? 0xEE : record[i]);
        // A record ending in FF would join the separator after it into FF FF EF: still one split.
    }
    return out;
}

}  // namespace

size_t MutateRecordsInput(uint8_t* data, size_t size, size_t max_size, unsigned seed) {
    FuzzRandom rng(seed);
    const size_t op = rng.Below(20);
    if (op < 5 || size < 2) return LLVMFuzzerMutate(data, size, max_size);

    RecordsInput in = ParseRecords(std::span(data, size));
    const ScreenShape shape = ShapeOf(in.choice);
    const size_t pick = rng.Below(in.records.size());
    const size_t at = rng.Below(in.records.size() + 1);
    if (op < 11 && !in.records.empty()) {
        MutateHostRecord(in.records[pick], rng, shape, max_size);
    } else if (op < 13 && !in.records.empty()) {
        MutateWithLibFuzzer(in.records[pick], max_size);
    } else if (op < 16) {
        // SSCP-LU mode takes text, not commands.
        in.records.insert(in.records.begin() + long(at), (in.flags & 0x80) && rng.OneIn(2)
                                                             ? GenerateSscpLuText(rng)
                                                             : GenerateHostRecord(rng, shape));
    } else if (op < 18 && !in.records.empty()) {
        Reorder(in.records, rng);
    } else if (op < 19) {
        (rng.OneIn(2) ? in.flags : in.choice) ^= uint8_t(1u << rng.Below(8));
    } else {
        // A control record (FF, then operation and value pairs) sets the session up between records.
        Bytes control = {0xFF};
        constexpr uint8_t kStatuses[] = {0, 4, 5, 7, 10, 11, 12, 14, 16};
        for (size_t i = rng.Between(1, 3); i > 0; --i) {
            const uint8_t operation = uint8_t(rng.Between(1, 9));
            control.push_back(operation);
            control.push_back(operation == 3   ? rng.Pick(kStatuses)
                              : operation == 4 ? uint8_t(rng.Below(50))
                                               : rng.Byte());
        }
        in.records.insert(in.records.begin() + long(at), control);
    }
    return StoreOrMutate(SerializeRecords(in), data, size, max_size);
}

}  // namespace orkan::fuzz
