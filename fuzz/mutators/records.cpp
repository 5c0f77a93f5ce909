// Structure-aware mutation for fuzz_records: the screen the first two bytes choose, as the target
// sets it up, so generated addresses mostly fit.
#include "support/stream_mutators.h"

namespace {

using orkan::fuzz::ScreenShape;

orkan::fuzz::ScreenShape ShapeOf(uint8_t, uint8_t choice) {
    constexpr uint32_t kDefault[8] = {1920, 80, 9920, 3564, 3440, 1, 1920, 1920};
    constexpr uint32_t kAlternate[5] = {1920, 2560, 3440, 3564, 9920};
    return {kDefault[choice & 7], kAlternate[(choice >> 3) % 5]};
}

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t max_size, unsigned seed) {
    return orkan::fuzz::MutateRecordsInput(data, size, max_size, seed, ShapeOf);
}

extern "C" size_t LLVMFuzzerCustomCrossOver(const uint8_t* a, size_t a_size, const uint8_t* b, size_t b_size,
                                            uint8_t* out, size_t max_size, unsigned seed) {
    return orkan::fuzz::CrossOverRecordsInput({a, a_size}, {b, b_size}, out, max_size, seed);
}
