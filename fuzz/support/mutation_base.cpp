#include "mutation_base.h"

#include <algorithm>
#include <cstring>

namespace orkan::fuzz {

void MutateWithLibFuzzer(Bytes& bytes, size_t max_size) {
    if (bytes.empty()) bytes.push_back(0x40);  // libFuzzer's mutators want something to work on
    const size_t size = bytes.size();
    // Room to grow a little: a part of an input that doubles at once rarely stays well-formed.
    const size_t room = std::max<size_t>(std::min(max_size, size + 64), size);
    bytes.resize(room);
    bytes.resize(LLVMFuzzerMutate(bytes.data(), size, room));
}

size_t StoreOrMutate(const Bytes& bytes, uint8_t* data, size_t size, size_t max_size) {
    if (bytes.size() > max_size || bytes.empty()) return LLVMFuzzerMutate(data, size, max_size);
    std::memcpy(data, bytes.data(), bytes.size());
    return bytes.size();
}

}  // namespace orkan::fuzz
