// The mutators feed every byte-oriented target: a stream that does not come back byte for byte,
// an address that decodes to another cell or a result larger than libFuzzer's buffer would
// quietly make every campaign shallower (or crash it), so they are checked before fuzzing.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "host_records.h"
#include "stream_mutators.h"
#include "telnet_units.h"

// libFuzzer's byte mutator, for a build without libFuzzer: one byte changed, or one added.
extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t max_size) {
    static std::minstd_rand rng(7);
    if (size < max_size && rng() % 2)
        data[size++] = uint8_t(rng());
    else if (size > 0)
        data[rng() % size] ^= uint8_t(1 + rng() % 255);
    return size;
}

namespace orkan::fuzz {
namespace {

Bytes Hex(std::string_view text) {
    Bytes out;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        out.push_back(uint8_t(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
    return out;
}

TEST(TelnetUnits, WritingBackGivesTheSameBytes) {
    // IAC IAC inside a subnegotiation: random streams below seldom close one around it.
    const Bytes sb = Hex("FFFA18FFFF01FFF0");
    EXPECT_EQ(SerializeTelnet(ParseTelnet(sb)), sb);
    std::minstd_rand rng(1);
    for (int n = 0; n < 2000; ++n) {
        Bytes s(rng() % 40);
        // Mostly IAC and the command bytes, where the framing lives.
        for (uint8_t& b : s) b = rng() % 3 ? uint8_t(0xEF + rng() % 17) : uint8_t(rng());
        ASSERT_EQ(SerializeTelnet(ParseTelnet(s)), s);
    }
}

uint32_t Decode(uint8_t b1, uint8_t b2) {
    return (b1 & 0xC0) == 0 ? uint32_t((b1 & 0x3F) << 8 | b2) : uint32_t((b1 & 0x3F) << 6 | (b2 & 0x3F));
}

TEST(HostRecords, AddressesDecodeToTheCellMeant) {
    FuzzRandom rng(3);
    for (uint32_t a : {0u, 1u, 63u, 64u, 1919u, 1920u, 4095u, 4096u, 9919u, 16383u}) {
        for (int n = 0; n < 20; ++n) {
            Bytes out;
            AppendAddress(out, a, rng);
            ASSERT_EQ(out.size(), 2u);
            EXPECT_EQ(Decode(out[0], out[1]), a);
        }
    }
}

TEST(Mutators, ResultsFitTheBufferAndAreNeverEmpty) {
    struct Case {
        const char* name;
        const char* seed;
        size_t (*mutate)(uint8_t*, size_t, size_t, unsigned);
    };
    const Case cases[] = {
        {"records", "0040F5C31140401D60C1FFEFF3000501FF02", MutateRecordsInput},
        {"host stream", "0101000AFFFD28FFFA280802FFF000000000F5C3FFEF",
         [](uint8_t* d, size_t s, size_t m, unsigned seed) {
             return MutateHostStreamInput(d, s, m, seed, 4);
         }},
        {"client", "00FFFB28FFFA280207C9C2D4FFF0000000000007D4040FFEF", MutateClientStreamInput},
    };
    for (const Case& c : cases) {
        for (size_t max_size : {size_t(64), size_t(4096)}) {
            Bytes input = Hex(c.seed);
            for (unsigned seed = 0; seed < 3000; ++seed) {
                Bytes buffer = input;
                buffer.resize(max_size);
                const size_t size = c.mutate(buffer.data(), std::min(input.size(), max_size), max_size, seed);
                ASSERT_GT(size, 0u) << c.name << " seed " << seed;
                ASSERT_LE(size, max_size) << c.name << " seed " << seed;
                // Go on from the result now and then, as a campaign does.
                if (seed % 4 == 0) input.assign(buffer.begin(), buffer.begin() + long(size));
            }
        }
    }
}

}  // namespace
}  // namespace orkan::fuzz
