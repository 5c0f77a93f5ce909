#include "ft_frame_codec.h"

#include <algorithm>

#include "ds.h"
#include "ft_tables.h"

namespace testhost::ft {

namespace {

// Command, WCC (reset MDT) and the two addresses every frame starts with.
constexpr std::array<uint8_t, 8> kFrameHead = {0xF1, 0xC1, 0x11, 0x5D, 0x7F, 0x11, 0x40, 0x40};
// After the data: SBA to 1914, an unprotected modified field, the cursor into it; the terminal's
// acknowledgement names that field.
constexpr std::array<uint8_t, 6> kFrameTail = {0x11, 0x5D, 0x7A, 0x1D, 0xC1, 0x13};
constexpr std::array<uint8_t, 3> kFill = {0x81, 0x81, 0x81};

Bytes Frame(std::initializer_list<uint8_t> body, const Bytes* data = nullptr) {
    Bytes r(kFrameHead.begin(), kFrameHead.end());
    r.insert(r.end(), body);
    if (data) r.insert(r.end(), data->begin(), data->end());
    r.insert(r.end(), kFrameTail.begin(), kFrameTail.end());
    return r;
}

bool IsQuadrant(uint8_t b) {
    return b == 0x5C || b == 0x5E || b == 0x7D || b == 0x7E;
}

}  // namespace

Bytes FrameStartScreen() {
    return {0xF5, 0xC1, 0x11, 0x5D, 0x7F, 0x1D, 0x40, 0x11, 0xD9,
            0x40, 0x1D, 0xC8, 0x5C, 0x5C, 0x5C, 0x1D, 0x40, 0x13};
}

Bytes FrameStart() {
    return Frame({kFrameControl, 0x81, 0x81, 0x81});
}

Bytes FrameData(uint8_t sequence, const Bytes& encoded) {
    return Frame({kFrameData, kFill[0], kFill[1], kFill[2], sequence}, &encoded);
}

Bytes FrameRequest(uint8_t sequence) {
    return Frame({kFrameRequest, kFill[0], kFill[1], kFill[2], sequence});
}

Bytes FrameEnd(const Bytes& message) {
    Bytes text = message;
    text.push_back(0x5B);
    return Frame({kFrameControl, 0x81, 0x81, 0x94}, &text);
}

bool IsFrameStartReply(const Bytes& r) {
    return r == Bytes{0x7D, 0xD9, 0xC5};
}

bool IsFrameAck(const Bytes& r) {
    return r == Bytes{0x7D, 0x5D, 0x7B, 0x11, 0x5D, 0x7B};
}

FrameAlphabet MakeFrameAlphabet(const Codec& codec) {
    FrameAlphabet a{};
    for (size_t i = 0; i < a.size(); ++i) a[i] = codec.HostByte(kFrameAlphabet[i]);
    return a;
}

bool DecodeUploadReply(const Bytes& r, uint8_t sequence, const FrameAlphabet& alphabet, UploadBlock& out,
                       std::string& error) {
    static constexpr std::array<uint8_t, 7> kHead = {0x7D, 0x40, 0xC4, 0x11, 0x40, 0xC2, 0xC1};
    static constexpr std::array<uint8_t, 5> kEndOfFile = {0xE5, 0x81, 0x83, 0x5C, 0xA9};
    if (r.size() < kHead.size() + 1 + 3 || !std::equal(kHead.begin(), kHead.end(), r.begin()))
        return error = "not an upload reply (7D 40 C4 11 40 C2 C1 ...)", false;
    if (r[7] != sequence) return error = "sequence byte does not echo the request's", false;
    out = UploadBlock{};
    if (r.size() == 13 && std::equal(kEndOfFile.begin(), kEndOfFile.end(), r.begin() + 8)) {
        out.end_of_file = true;
        return true;
    }
    auto index = [&](uint8_t b) -> int {
        for (size_t i = 0; i < alphabet.size(); ++i)
            if (alphabet[i] == b) return static_cast<int>(i);
        return -1;
    };
    const int check = index(r[8]), high = index(r[9]), low = index(r[10]);
    if (check < 0 || high < 0 || low < 0)
        return error = "checksum or length character outside the alphabet", false;
    const size_t n = static_cast<size_t>(high * 64 + low);
    if (n != r.size() - 11)
        return error = "length says " + std::to_string(n) + " encoded bytes, the reply holds " +
                       std::to_string(r.size() - 11),
               false;
    uint8_t x = 0;
    for (size_t i = 11; i < r.size(); ++i) x ^= r[i];
    if (x % 64 != check) return error = "checksum does not match the encoded bytes", false;
    if (!DecodeFrameData(r.data() + 11, n, out.data, error)) return false;
    if (out.data.empty()) out.end_of_file = true;
    return true;
}

size_t EncodeFrameData(const uint8_t* data, size_t size, bool repeat_blanks, Bytes& encoded) {
    constexpr size_t kMinRun = 5;
    size_t taken = 0, produced = 0;
    int quadrant = -1;
    const size_t start = encoded.size();
    while (taken < size) {
        if (repeat_blanks && data[taken] == 0x20) {
            size_t run = 1;
            while (taken + run < size && data[taken + run] == 0x20) ++run;
            run = std::min(run, kFrameCapacity - produced);
            if (run >= kMinRun) {
                if (encoded.size() - start + 4 > kFrameCapacity) break;
                const auto address = ds::EncodeAddress(static_cast<int>(produced + run), 1920);
                encoded.insert(encoded.end(), {0x3C, address[0], address[1], 0x40});
                taken += run;
                produced += run;
                continue;
            }
        }
        const uint8_t b = data[taken];
        const uint8_t q = kFrameQuadrantOf[b];
        const size_t need = q == quadrant ? 1 : 2;
        if (encoded.size() - start + need > kFrameCapacity || produced + 1 > kFrameCapacity) break;
        if (q != quadrant) encoded.push_back(q);
        quadrant = q;
        encoded.push_back(kFrameCodeOf[b]);
        ++taken;
        ++produced;
    }
    return taken;
}

bool DecodeFrameData(const uint8_t* data, size_t size, Bytes& out, std::string& error) {
    int quadrant = -1;
    for (size_t i = 0; i < size; ++i) {
        const uint8_t c = data[i];
        if (IsQuadrant(c)) {
            quadrant = c;
            continue;
        }
        if (c < 0x40)
            return error = "byte " + std::to_string(c) + " at " + std::to_string(i) +
                           " is not in the frame alphabet",
                   false;
        const size_t k = c - 0x40u;
        switch (quadrant) {
            case 0x5E:
                out.push_back(c);
                break;
            case 0x5C:
                if (c != 0xA9) out.push_back(kFrameQuadrant5C[k]);
                break;
            case 0x7D:
                out.push_back(kFrameQuadrant7D[k]);
                break;
            case 0x7E:
                out.push_back(kFrameQuadrant7E[k]);
                break;
            default:
                return error = "a code byte before any quadrant byte", false;
        }
    }
    return true;
}

}  // namespace testhost::ft
