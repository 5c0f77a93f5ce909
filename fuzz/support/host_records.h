// 3270 records as a host sends them, for the structure-aware mutators: generated from fuzzed
// choices and changed one order or one structured field at a time. Random bytes rarely make a
// write whose addresses fit the screen or a structured field whose length is right; these mostly
// do, so the fuzzer spends its time behind the framing.
#pragma once

#include "mutation_base.h"

namespace orkan::fuzz {

// The screen the records are meant for: most addresses are picked inside it.
struct ScreenShape {
    uint32_t positions = 1920;  // default size
    uint32_t alternate = 1920;  // alternate size
};

// A buffer address in the 12-bit code when it can have one (mostly), else in 14 bits.
void AppendAddress(Bytes& out, uint32_t address, FuzzRandom& rng);
// Inside either size mostly; sometimes the first or last cell, one past the end or any 14-bit value.
uint32_t PickAddress(FuzzRandom& rng, const ScreenShape& shape);

// One order with its parameters, or a short run of data characters.
void AppendOrder(Bytes& out, FuzzRandom& rng, const ScreenShape& shape);
// A write with orders, a Write Structured Field, a read or another command; `depth` counts the
// Outbound 3270DS fields it sits in.
Bytes GenerateHostRecord(FuzzRandom& rng, const ScreenShape& shape, int depth = 0);
// Text for the SSCP-LU session, with its three control characters.
Bytes GenerateSscpLuText(FuzzRandom& rng);

// One change: in a write an order is added, dropped, doubled, moved, changed or cut short, or the
// command or WCC changes; in a Write Structured Field a field likewise (its length kept right,
// mostly); anything else becomes a generated record.
void MutateHostRecord(Bytes& record, FuzzRandom& rng, const ScreenShape& shape, size_t max_size);

}  // namespace orkan::fuzz
