// What every structure-aware mutator uses: byte strings, the random choices (libFuzzer hands each
// call a seed; the same seed gives the same mutation) and libFuzzer's own byte mutators.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

namespace orkan::fuzz {

using Bytes = std::vector<uint8_t>;

// libFuzzer's byte mutators (its dictionary and compare hints included) on one part of an input;
// the part may grow up to max_size.
void MutateWithLibFuzzer(Bytes& bytes, size_t max_size);

// Copies a mutated input back into libFuzzer's buffer: its size, or 0 when it does not fit (the
// caller then falls back to a plain byte mutation).
size_t Store(const Bytes& bytes, uint8_t* data, size_t max_size);

class FuzzRandom {
  public:
    explicit FuzzRandom(unsigned seed) : engine_(seed) {}

    // 0 .. n-1; 0 when n is 0.
    size_t Below(size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(engine_); }
    // lo .. hi inclusive.
    size_t Between(size_t lo, size_t hi) { return lo + Below(hi - lo + 1); }
    bool OneIn(size_t n) { return Below(n) == 0; }
    uint8_t Byte() { return uint8_t(Below(256)); }
    template <typename T>
    T Pick(std::span<const T> items) {
        return items[Below(items.size())];
    }
    template <typename T, size_t N>
    T Pick(const T (&items)[N]) {
        return items[Below(N)];
    }

  private:
    std::minstd_rand engine_;
};

}  // namespace orkan::fuzz
