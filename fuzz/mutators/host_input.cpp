// Structure-aware mutation for fuzz_host_input: flags bit 2 asks for model 4, so negotiation
// completes with the terminal type the session asks for and addresses fit its screen.
#include "support/stream_mutators.h"

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t max_size, unsigned seed) {
    return orkan::fuzz::MutateHostStreamInput(data, size, max_size, seed, 0x04);
}
