#include "codec.h"

#include <iconv.h>

#include <cctype>
#include <cerrno>

namespace testhost {

namespace {

// RAII for one iconv descriptor, so an early return never leaks it.
class Iconv {
  public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts one input unit; returns false when iconv has no mapping for it.
    bool Convert(const char* in, size_t in_size, char* out, size_t& out_size) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in);
        char* dst = out;
        size_t left_in = in_size;
        size_t left_out = out_size;
        if (iconv(cd_, &src, &left_in, &dst, &left_out) == static_cast<size_t>(-1)) return false;
        if (iconv(cd_, nullptr, nullptr, &dst, &left_out) == static_cast<size_t>(-1)) return false;
        out_size = out_size - left_out;
        return left_in == 0;
    }

  private:
    iconv_t cd_;
};

void AppendUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

bool DecodeUtf8(std::string_view text, std::vector<char32_t>& out) {
    out.clear();
    size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<uint8_t>(text[i]);
        int extra = 0;
        char32_t cp = 0;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1;
            cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            cp = b & 0x07;
        } else {
            return false;
        }
        if (i + static_cast<size_t>(extra) >= text.size() && extra > 0) return false;
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<uint8_t>(text[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        out.push_back(cp);
        i += 1 + extra;
    }
    return true;
}

// glibc spells some IBM code pages with a dash (IBM-1047) and others without (IBM037); people
// write either, and CP037 too. The variants are tried in turn.
std::vector<std::string> NameVariants(const std::string& name) {
    std::vector<std::string> out = {name};
    std::string upper;
    for (char c : name) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string digits;
    if (upper.rfind("IBM-", 0) == 0)
        digits = upper.substr(4);
    else if (upper.rfind("IBM", 0) == 0)
        digits = upper.substr(3);
    else if (upper.rfind("CP", 0) == 0)
        digits = upper.substr(2);
    if (!digits.empty()) {
        out.push_back("IBM" + digits);
        out.push_back("IBM-" + digits);
    }
    return out;
}

bool Codec::Open(const std::string& code_page, std::string& error) {
    std::string found;
    for (const auto& n : NameVariants(code_page)) {
        Iconv probe("UTF-32LE", n.c_str());
        if (probe.ok()) {
            found = n;
            break;
        }
    }
    Iconv to_text("UTF-32LE", found.empty() ? code_page.c_str() : found.c_str());
    if (!to_text.ok()) {
        error = "code page '" + code_page + "' is not known to iconv (try e.g. IBM-037, IBM-1047, IBM-273)";
        return false;
    }
    name_ = code_page;
    from_unicode_.clear();
    int mapped = 0;
    for (int b = 0; b < 256; ++b) {
        const char in = static_cast<char>(b);
        char out[16];
        size_t out_size = sizeof out;
        std::string& text = to_utf8_[static_cast<size_t>(b)];
        text.clear();
        if (!to_text.Convert(&in, 1, out, out_size) || out_size != 4) {
            text = ".";
            continue;
        }
        const char32_t cp = static_cast<char32_t>(static_cast<uint8_t>(out[0])) |
                            (static_cast<char32_t>(static_cast<uint8_t>(out[1])) << 8) |
                            (static_cast<char32_t>(static_cast<uint8_t>(out[2])) << 16) |
                            (static_cast<char32_t>(static_cast<uint8_t>(out[3])) << 24);
        // The first byte that maps to a character wins, so round trips stay stable.
        from_unicode_.emplace(cp, static_cast<uint8_t>(b));
        if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) {
            text = cp == 0 ? " " : ".";
        } else {
            AppendUtf8(cp, text);
            ++mapped;
        }
    }
    // A code page that is not single-byte EBCDIC gives too few printable characters, or puts
    // 'A' somewhere else; both would make every screen wrong.
    const auto a = from_unicode_.find(U'A');
    if (mapped < 150 || a == from_unicode_.end() || a->second != 0xC1) {
        error = "code page '" + code_page + "' is not a single-byte EBCDIC code page";
        return false;
    }
    return true;
}

std::string Codec::ToUtf8(const uint8_t* data, size_t size) const {
    std::string out;
    out.reserve(size);
    for (size_t i = 0; i < size; ++i) out += to_utf8_[data[i]];
    return out;
}

bool Codec::ToHost(std::string_view utf8, Bytes& out, std::string& error) const {
    std::vector<char32_t> cps;
    if (!DecodeUtf8(utf8, cps)) {
        error = "text is not valid UTF-8";
        return false;
    }
    for (char32_t cp : cps) {
        const auto it = from_unicode_.find(cp);
        if (it == from_unicode_.end() || cp < 0x20) {
            std::string shown;
            AppendUtf8(cp, shown);
            error = "character '" + shown + "' has no form in code page " + name_;
            return false;
        }
        out.push_back(it->second);
    }
    return true;
}

uint8_t Codec::HostByte(char ascii) const {
    const auto it = from_unicode_.find(static_cast<char32_t>(static_cast<uint8_t>(ascii)));
    return it == from_unicode_.end() ? 0x40 : it->second;
}

// Host bytes for text that may hold characters the code page lacks: those become '?', and the
// caller hears about it, because a variable's value comes from outside.
Bytes HostText(const Codec& codec, const std::string& text, std::string& note) {
    Bytes out;
    std::string e;
    if (codec.ToHost(text, out, e)) return out;
    out.clear();
    std::vector<char32_t> cps;
    if (!DecodeUtf8(text, cps)) {
        note = "text is not valid UTF-8";
        return Bytes(text.size(), codec.HostByte('?'));
    }
    for (char32_t cp : cps) {
        std::string one;
        Bytes b;
        if (cp >= 0x20) AppendUtf8(cp, one);
        if (!one.empty() && codec.ToHost(one, b, e) && b.size() == 1) {
            out.push_back(b[0]);
        } else {
            out.push_back(codec.HostByte('?'));
            note = "a character without a form in " + codec.Name() + " was sent as '?'";
        }
    }
    return out;
}

}  // namespace testhost
