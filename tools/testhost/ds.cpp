#include "ds.h"

#include <algorithm>

namespace testhost::ds {

std::string AidToName(uint8_t aid) {
    for (const auto& a : kAidNames)
        if (a.aid == aid) return std::string(a.name);
    static constexpr char kHex[] = "0123456789ABCDEF";
    return std::string("aid-") + kHex[aid >> 4] + kHex[aid & 15];
}

std::optional<uint8_t> AidFromName(std::string_view name) {
    for (const auto& a : kAidNames)
        if (a.name == name) return a.aid;
    return std::nullopt;
}

std::array<uint8_t, 2> EncodeAddress(int address, int positions) {
    if (positions <= 4096) {
        return {kSixBitCodes[static_cast<size_t>((address >> 6) & 0x3F)],
                kSixBitCodes[static_cast<size_t>(address & 0x3F)]};
    }
    return {static_cast<uint8_t>((address >> 8) & 0x3F), static_cast<uint8_t>(address & 0xFF)};
}

int DecodeAddress(uint8_t b1, uint8_t b2) {
    if ((b1 & 0xC0) == 0) return (b1 << 8) | b2;
    return ((b1 & 0x3F) << 6) | (b2 & 0x3F);
}

void Buffer::Reset(int rows, int cols) {
    rows_ = rows;
    cols_ = cols;
    cells_.assign(static_cast<size_t>(rows * cols), Cell{});
    cursor = 0;
}

std::vector<Field> Buffer::Fields() const {
    std::vector<int> attrs;
    for (int a = 0; a < size(); ++a)
        if (at(a).is_attr) attrs.push_back(a);
    std::vector<Field> fields;
    for (size_t i = 0; i < attrs.size(); ++i) {
        const int here = attrs[i];
        const int next = attrs[(i + 1) % attrs.size()];
        Field f;
        f.attr_address = here;
        f.start = Next(here);
        f.length = next > here ? next - here - 1 : size() - here - 1 + next;
        f.attr = at(here).attr;
        fields.push_back(f);
    }
    return fields;
}

Bytes Buffer::FieldData(const Field& f) const {
    Bytes out;
    int a = f.start;
    for (int i = 0; i < f.length; ++i, a = Next(a))
        if (at(a).ch != 0) out.push_back(at(a).ch);
    return out;
}

std::optional<int> Buffer::GoverningAttribute(int address) const {
    int a = address;
    for (int i = 0; i < size(); ++i) {
        if (at(a).is_attr) return a;
        a = a == 0 ? size() - 1 : a - 1;
    }
    return std::nullopt;
}

std::vector<std::string> Buffer::Text(const Codec& codec, char mask) const {
    std::vector<std::string> rows;
    bool hidden = false;
    // A field that wraps from the last position governs the first ones too.
    if (const auto last = GoverningAttribute(size() - 1))
        hidden = (at(*last).attr & kAttrDisplayMask) == kAttrNonDisplay;
    for (int r = 0; r < rows_; ++r) {
        std::string line;
        for (int c = 0; c < cols_; ++c) {
            const Cell& cell = at(r * cols_ + c);
            if (cell.is_attr) {
                hidden = (cell.attr & kAttrDisplayMask) == kAttrNonDisplay;
                line += ' ';
            } else if (cell.ch == 0) {
                line += ' ';
            } else if (hidden) {
                line += mask;
            } else if (cell.cs == 0xF1) {
                line += '.';
            } else {
                line += codec.ToUtf8(cell.ch);
            }
        }
        rows.push_back(std::move(line));
    }
    return rows;
}

namespace {

// Interprets orders into a buffer; every length is checked against what remains.
class WriteInterpreter {
  public:
    WriteInterpreter(Buffer& b, const uint8_t* data, size_t size, std::string& error)
        : b_(b), data_(data), size_(size), error_(error) {}

    bool Run(size_t pos) {
        address_ = b_.cursor;
        while (pos < size_) {
            const uint8_t byte = data_[pos++];
            switch (byte) {
                case kSBA: {
                    int a = 0;
                    if (!Addr(pos, a)) return false;
                    address_ = a;
                    last_was_data_ = false;
                    break;
                }
                case kSF:
                    if (!Need(pos, 1, "SF")) return false;
                    StartField(data_[pos++] & 0x3F, 0, 0);
                    break;
                case kSFE:
                case kMF: {
                    if (!Need(pos, 1, byte == kSFE ? "SFE" : "MF")) return false;
                    const size_t count = data_[pos++];
                    if (!Need(pos, count * 2, byte == kSFE ? "SFE pairs" : "MF pairs")) return false;
                    uint8_t attr = 0, fg = 0, hl = 0;
                    bool has_attr = false;
                    for (size_t i = 0; i < count; ++i) {
                        const uint8_t type = data_[pos + 2 * i], value = data_[pos + 2 * i + 1];
                        if (type == kXaField) {
                            attr = value & 0x3F;
                            has_attr = true;
                        } else if (type == kXaForeground) {
                            fg = value;
                        } else if (type == kXaHighlight) {
                            hl = value;
                        }
                    }
                    pos += count * 2;
                    if (byte == kSFE) {
                        StartField(attr, fg, hl);
                    } else {
                        Cell& c = b_.at(address_);
                        if (c.is_attr) {
                            if (has_attr) c.attr = attr;
                            if (fg) c.fg = fg;
                            if (hl) c.hl = hl;
                        }
                        address_ = b_.Next(address_);
                    }
                    last_was_data_ = false;
                    break;
                }
                case kSA: {
                    if (!Need(pos, 2, "SA")) return false;
                    const uint8_t type = data_[pos], value = data_[pos + 1];
                    pos += 2;
                    if (type == kXaAll) {
                        sa_fg_ = sa_hl_ = sa_cs_ = 0;
                    } else if (type == kXaForeground) {
                        sa_fg_ = value;
                    } else if (type == kXaHighlight) {
                        sa_hl_ = value;
                    } else if (type == kXaCharset) {
                        sa_cs_ = value;
                    }
                    last_was_data_ = false;
                    break;
                }
                case kIC:
                    b_.cursor = address_;
                    last_was_data_ = false;
                    break;
                case kPT:
                    ProgramTab();
                    last_was_data_ = false;
                    break;
                case kRA: {
                    int stop = 0;
                    if (!Addr(pos, stop)) return false;
                    if (!Need(pos, 1, "RA character")) return false;
                    bool ge = false;
                    uint8_t ch = data_[pos++];
                    if (ch == kGE) {
                        if (!Need(pos, 1, "RA GE character")) return false;
                        ch = data_[pos++];
                        ge = true;
                    }
                    do {
                        Store(ch, ge);
                    } while (address_ != stop);
                    last_was_data_ = false;
                    break;
                }
                case kEUA: {
                    int stop = 0;
                    if (!Addr(pos, stop)) return false;
                    auto gov = b_.GoverningAttribute(address_);
                    do {
                        Cell& c = b_.at(address_);
                        if (c.is_attr) {
                            gov = address_;
                        } else if (!gov || !(b_.at(*gov).attr & kAttrProtected)) {
                            c.ch = 0;
                        }
                        address_ = b_.Next(address_);
                    } while (address_ != stop);
                    last_was_data_ = false;
                    break;
                }
                case kGE:
                    if (!Need(pos, 1, "GE")) return false;
                    Store(data_[pos++], true);
                    last_was_data_ = true;
                    break;
                default:
                    Store(byte, false);
                    last_was_data_ = true;
                    break;
            }
        }
        return true;
    }

  private:
    bool Need(size_t pos, size_t n, const char* what) {
        if (size_ - pos >= n) return true;
        error_ = std::string(what) + " runs past the end of the record";
        return false;
    }
    bool Addr(size_t& pos, int& out) {
        if (!Need(pos, 2, "buffer address")) return false;
        out = DecodeAddress(data_[pos], data_[pos + 1]);
        pos += 2;
        if (out >= b_.size()) {
            error_ = "buffer address " + std::to_string(out) + " beyond " + std::to_string(b_.size()) +
                     " positions";
            return false;
        }
        return true;
    }
    void Store(uint8_t ch, bool ge) {
        Cell& c = b_.at(address_);
        c = Cell{};
        c.ch = ch;
        c.fg = sa_fg_;
        c.hl = sa_hl_;
        c.cs = ge ? 0xF1 : sa_cs_;
        address_ = b_.Next(address_);
    }
    void StartField(uint8_t attr, uint8_t fg, uint8_t hl) {
        Cell& c = b_.at(address_);
        c = Cell{};
        c.is_attr = true;
        c.attr = attr;
        c.fg = fg;
        c.hl = hl;
        address_ = b_.Next(address_);
    }
    void ProgramTab() {
        int a = address_;
        if (last_was_data_) {
            while (!b_.at(a).is_attr) {
                b_.at(a).ch = 0;
                if (a + 1 >= b_.size()) {
                    address_ = 0;
                    return;
                }
                ++a;
            }
        }
        for (; a < b_.size(); ++a) {
            const Cell& c = b_.at(a);
            if (c.is_attr && !(c.attr & kAttrProtected)) {
                address_ = b_.Next(a);
                return;
            }
        }
        address_ = 0;
    }

    Buffer& b_;
    const uint8_t* data_;
    size_t size_;
    std::string& error_;
    int address_ = 0;
    uint8_t sa_fg_ = 0, sa_hl_ = 0, sa_cs_ = 0;
    bool last_was_data_ = false;
};

}  // namespace

bool ApplyWrite(Buffer& buffer, const uint8_t* data, size_t size, const Geometry& g, std::string& error) {
    if (size == 0) {
        error = "empty record";
        return false;
    }
    const uint8_t cmd = data[0];
    switch (cmd) {
        case kEraseWrite:
        case 0x05:
            buffer.Reset(g.rows, g.cols);
            break;
        case kEraseWriteAlternate:
        case 0x0D:
            buffer.Reset(g.alt_rows, g.alt_cols);
            break;
        case kWrite:
        case 0x01:
            break;
        case kEraseAllUnprotected:
        case 0x0F: {
            bool first = true;
            for (const Field& f : buffer.Fields()) {
                if (f.attr & kAttrProtected) continue;
                buffer.at(f.attr_address).attr &= static_cast<uint8_t>(~kAttrMdt);
                int a = f.start;
                for (int i = 0; i < f.length; ++i, a = buffer.Next(a)) buffer.at(a).ch = 0;
                if (first) buffer.cursor = f.start;
                first = false;
            }
            if (first) buffer.cursor = 0;
            return true;
        }
        default:
            error = "not a write command";
            return false;
    }
    if (size < 2) {
        error = "write without a WCC";
        return false;
    }
    if (data[1] & kWccResetMdt) {
        for (int a = 0; a < buffer.size(); ++a)
            if (buffer.at(a).is_attr) buffer.at(a).attr &= static_cast<uint8_t>(~kAttrMdt);
    }
    return WriteInterpreter(buffer, data, size, error).Run(2);
}

void OrderWriter::Command(uint8_t cmd, uint8_t wcc_bits) {
    out_.push_back(cmd);
    // The six-bit table always sets 0x40, so a WCC without reset goes out as plain bits.
    out_.push_back((wcc_bits & kWccReset) ? EncodeSixBits(wcc_bits) : static_cast<uint8_t>(wcc_bits & 0x3F));
}

void OrderWriter::Address(int address) {
    const auto a = EncodeAddress(address, positions_);
    out_.push_back(a[0]);
    out_.push_back(a[1]);
}

void OrderWriter::Sba(int address) {
    out_.push_back(kSBA);
    Address(address);
}

void OrderWriter::Sf(uint8_t attr) {
    out_.push_back(kSF);
    out_.push_back(EncodeSixBits(attr));
}

void OrderWriter::Sfe(uint8_t attr, uint8_t fg, uint8_t hl) {
    out_.push_back(kSFE);
    out_.push_back(static_cast<uint8_t>(1 + (fg ? 1 : 0) + (hl ? 1 : 0)));
    out_.push_back(kXaField);
    out_.push_back(EncodeSixBits(attr));
    if (fg) {
        out_.push_back(kXaForeground);
        out_.push_back(fg);
    }
    if (hl) {
        out_.push_back(kXaHighlight);
        out_.push_back(hl);
    }
}

void OrderWriter::Sa(uint8_t type, uint8_t value) {
    out_.push_back(kSA);
    out_.push_back(type);
    out_.push_back(value);
}

void OrderWriter::Ra(int address, uint8_t ch, bool ge) {
    out_.push_back(kRA);
    Address(address);
    if (ge) out_.push_back(kGE);
    out_.push_back(ch);
}

void OrderWriter::Eua(int address) {
    out_.push_back(kEUA);
    Address(address);
}

void OrderWriter::Ge(uint8_t ch) {
    out_.push_back(kGE);
    out_.push_back(ch);
}

void OrderWriter::Data(const Bytes& host_bytes) {
    out_.insert(out_.end(), host_bytes.begin(), host_bytes.end());
}

}  // namespace testhost::ds
