// Structure-aware mutation for fuzz_telnet: negotiation the engine answers, records framed with
// IAC EOR and TN3270E headers, chunk cuts inside commands. Its flags have no model 4 bit.
#include "support/stream_mutators.h"

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t max_size, unsigned seed) {
    return orkan::fuzz::MutateHostStreamInput(data, size, max_size, seed, 0);
}
