// Structure-aware mutation for fuzz_host_input: the terminal type and screen sizes the flags byte
// gives the session (model 2, model 4 or the 60 x 132 dynamic size), so negotiation completes and
// addresses fit.
#include "support/stream_mutators.h"

namespace {

std::string TerminalType(uint8_t flags) {
    return flags & 8 ? "IBM-DYNAMIC" : flags & 4 ? "IBM-3278-4-E" : "IBM-3278-2-E";
}
orkan::fuzz::ScreenShape Shape(uint8_t flags) {
    return {1920, flags & 8 ? 7920u : flags & 4 ? 3440u : 1920u};
}
const orkan::fuzz::HostStreamProfile kProfile{TerminalType, Shape};

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t max_size, unsigned seed) {
    return orkan::fuzz::MutateHostStreamInput(data, size, max_size, seed, kProfile);
}

extern "C" size_t LLVMFuzzerCustomCrossOver(const uint8_t* a, size_t a_size, const uint8_t* b, size_t b_size,
                                            uint8_t* out, size_t max_size, unsigned seed) {
    return orkan::fuzz::CrossOverHostStreamInput({a, a_size}, {b, b_size}, out, max_size, seed);
}
