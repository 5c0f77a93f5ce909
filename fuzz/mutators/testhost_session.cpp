// Structure-aware mutation for fuzz_testhost_session: what a terminal answers, field by field.
#include "support/stream_mutators.h"

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t max_size, unsigned seed) {
    return orkan::fuzz::MutateClientStreamInput(data, size, max_size, seed);
}
