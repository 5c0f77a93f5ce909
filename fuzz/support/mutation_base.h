// What every structure-aware mutator uses: byte strings, the random choices (libFuzzer hands each
// call a seed; the same seed gives the same mutation) and libFuzzer's own byte mutators.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <span>
#include <string_view>
#include <vector>

// libFuzzer's own byte mutation of a whole input.
extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t max_size);

namespace orkan::fuzz {

using Bytes = std::vector<uint8_t>;

// libFuzzer's byte mutators (its dictionary and compare hints included) on one part of an input;
// the part may grow up to max_size.
void MutateWithLibFuzzer(Bytes& bytes, size_t max_size);

// Copies a mutated input back into libFuzzer's buffer and gives its size; when it does not fit
// (or is empty), a plain byte mutation of the input as it was instead.
size_t StoreOrMutate(const Bytes& bytes, uint8_t* data, size_t size, size_t max_size);

inline void Append(Bytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

class FuzzRandom {
  public:
    explicit FuzzRandom(unsigned seed) : engine_(seed) {}

    // 0 .. n-1; 0 when n is 0.
    size_t Below(size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(engine_); }
    // lo .. hi inclusive.
    size_t Between(size_t lo, size_t hi) { return lo + Below(hi - lo + 1); }
    bool OneIn(size_t n) { return Below(n) == 0; }
    uint8_t Byte() { return uint8_t(Below(256)); }
    template <typename T, size_t N>
    T Pick(const T (&items)[N]) {
        return items[Below(N)];
    }

  private:
    std::minstd_rand engine_;
};

// One item dropped, doubled or swapped with another.
template <typename T>
void Reorder(std::vector<T>& items, FuzzRandom& rng) {
    if (items.empty()) return;
    const size_t pick = rng.Below(items.size());
    switch (rng.Below(3)) {
        case 0:
            items.erase(items.begin() + long(pick));
            break;
        case 1:
            items.insert(items.begin() + long(pick), items[pick]);
            break;
        default:
            std::swap(items[pick], items[rng.Below(items.size())]);
            break;
    }
}

template <typename T>
void InsertAt(std::vector<T>& items, size_t at, std::vector<T> more) {
    items.insert(items.begin() + long(std::min(at, items.size())), more.begin(), more.end());
}

}  // namespace orkan::fuzz
