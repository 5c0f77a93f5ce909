// A terminal's side of the transfer wire, written from the protocol's description and not from
// the host's code: the screen-frame decoding rule (repeat orders included) and the upload block
// it builds.
#pragma once

#include "ft_frame_codec.h"
#include "ft_tables.h"
#include "helpers.h"

namespace testhost::ft::terminal {

// Quadrant bytes select a table, 0x3C repeats a blank (host 0x40 shows as 0x20) up to an output
// length, 0x11 ends the data.
inline Bytes TerminalDecode(const Bytes& in) {
    Bytes out;
    int q = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        const uint8_t c = in[i];
        if (c == 0x11) break;
        if (c == 0x5C || c == 0x5E || c == 0x7D || c == 0x7E) {
            q = c;
        } else if (c == 0x3C) {
            const int address = (in[i + 1] & 0x3F) << 6 | (in[i + 2] & 0x3F);
            EXPECT_EQ(in[i + 3], 0x40);
            while (static_cast<int>(out.size()) < address) out.push_back(0x20);
            i += 3;
        } else if (c >= 0x40 && q == 0x5E) {
            out.push_back(c);
        } else if (c >= 0x40 && q == 0x5C && c != 0xA9) {
            out.push_back(kFrameQuadrant5C[c - 0x40u]);
        } else if (c >= 0x40 && q == 0x7D) {
            out.push_back(kFrameQuadrant7D[c - 0x40u]);
        } else if (c >= 0x40 && q == 0x7E) {
            out.push_back(kFrameQuadrant7E[c - 0x40u]);
        }
    }
    return out;
}

// The encoded bytes after the echoed sequence byte, a checksum and two length characters.
inline Bytes UploadReply(uint8_t sequence, const Bytes& encoded, const FrameAlphabet& a) {
    uint8_t x = 0;
    for (uint8_t b : encoded) x ^= b;
    Bytes r = testhost::test::H("7d 40 c4 11 40 c2 c1");
    r.push_back(sequence);
    r.push_back(a[x % 64]);
    r.push_back(a[encoded.size() / 64]);
    r.push_back(a[encoded.size() % 64]);
    r.insert(r.end(), encoded.begin(), encoded.end());
    return r;
}

// Each byte as its quadrant (when it changes) and code byte.
inline Bytes TerminalEncode(const Bytes& data) {
    Bytes out;
    int q = -1;
    for (uint8_t b : data) {
        if (kFrameQuadrantOf[b] != q) out.push_back(kFrameQuadrantOf[b]);
        q = kFrameQuadrantOf[b];
        out.push_back(kFrameCodeOf[b]);
    }
    return out;
}

}  // namespace testhost::ft::terminal
