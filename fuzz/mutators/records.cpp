// Structure-aware mutation for fuzz_records: generated addresses mostly fit the screen that the
// first two bytes choose.
#include "support/stream_mutators.h"

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t max_size, unsigned seed) {
    return orkan::fuzz::MutateRecordsInput(data, size, max_size, seed);
}
