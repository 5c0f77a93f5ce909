#include "transfer/code_page_check.h"

#include <cstdio>

#include "charset/display_unicode.h"
#include "charset/fixed_tables.h"
#include "charset/translate.h"
#include "session/session.h"
#include "transfer/transfer_start.h"
#include "transfer/utf8_file_text.h"

namespace orkan {
namespace {

enum class PcCharacters { Windows1252, Latin1, Latin9, Dos };

std::optional<PcCharacters> KnownCodePage(const Session& session) {
    if (TransferFileIsUtf8(session)) return PcCharacters::Windows1252;
    const std::string name = session.record.Text(field::PcCodePage);
    // The transfer tables of country.lst treat every name that begins with "DOS" alike.
    if (name.starts_with("DOS")) return PcCharacters::Dos;
    if (name == "Windows (1252)") return PcCharacters::Windows1252;
    if (name == "ISO 8859-1") return PcCharacters::Latin1;
    if (name == "ISO 8859-15") return PcCharacters::Latin9;
    return std::nullopt;
}

// The Windows-1252 byte of each PC byte's character, 0 where it has none; controls stay 0 too.
std::array<uint8_t, 256> WindowsCharacters(PcCharacters code_page) {
    std::array<uint8_t, 256> windows{};
    for (int b = 0x20; b < 0x100; ++b) windows[b] = uint8_t(b);
    windows[0x7F] = 0;
    switch (code_page) {
        case PcCharacters::Windows1252:
            break;
        case PcCharacters::Latin1:
        case PcCharacters::Latin9:
            for (int b = 0x80; b < 0xA0; ++b) windows[b] = 0;  // C1 controls there
            if (code_page == PcCharacters::Latin9)
                for (const Latin9Place& p : kLatin9Places) windows[p.pc] = p.windows;
            break;
        case PcCharacters::Dos:
            // 437's characters are those the DOS conversion table gives a Windows-1252 character
            // (from 0x80 up, an entry equal to its index stands for none).
            for (int b = 0x80; b < 0x100; ++b) windows[b] = 0;
            windows[0x7C] = 0;
            for (int c = 0x20; c < 0x100; ++c) {
                const uint8_t dos = kDosConversionTable[size_t(c)];
                if ((c >= 0x80 && dos == c) || c == 0x7F || windows[dos]) continue;
                windows[dos] = uint8_t(c);
            }
            break;
    }
    return windows;
}

bool IsControl(uint8_t pc, PcCharacters code_page) {
    if (pc < 0x20 || pc == 0x7F) return true;
    return (code_page == PcCharacters::Latin1 || code_page == PcCharacters::Latin9) && pc >= 0x80 &&
           pc < 0xA0;
}

// EBCDIC keeps its controls below the blank and at FF.
bool IsHostControl(uint8_t host) {
    return host < 0x40 || host == 0xFF;
}

}  // namespace

std::optional<CarriedSet> CarriedCharacters(const Session& session) {
    const std::optional<PcCharacters> code_page = KnownCodePage(session);
    if (!code_page) return std::nullopt;
    std::array<uint8_t, 256> host_of_transfer{};
    for (int h = 0; h < 256; ++h) host_of_transfer[kHostTransferTable[size_t(h)]] = uint8_t(h);
    const std::array<uint8_t, 256> windows = WindowsCharacters(*code_page);
    CarriedSet carried{};
    for (int pc = 0; pc < 256; ++pc) {
        const uint8_t host = host_of_transfer[session.charset.upload[size_t(pc)]];
        const uint8_t shown = HostToDisplay(session.charset, AsciiHost::Translate, host);
        // A control travels as a control: one that a correction gave a character's place (the euro
        // sign's Windows-1252 byte in an ISO 8859 file) would arrive as that character.
        const uint8_t character = windows[size_t(pc)];
        carried[size_t(pc)] =
            character != 0 ? shown == character : IsControl(uint8_t(pc), *code_page) && IsHostControl(host);
    }
    return carried;
}

std::string UncarriedCount::Describe(bool for_box) const {
    char first[48];
    if (single_byte_) {
        std::snprintf(first, sizeof first, "byte 0x%02X", unsigned(first_));
    } else {
        std::snprintf(first, sizeof first, "U+%04X", unsigned(first_));
    }
    std::string text =
        std::to_string(count_) + (count_ == 1 ? " character" : " characters") + " (the first, " + first;
    uint8_t shown = 0;
    if (!single_byte_ && first_ >= 0xA0 && (!for_box || Windows1252Byte(first_, shown))) {
        text += " (";
        AppendUtf8(text, first_);
        text += ")";
    }
    return text + ", at line " + std::to_string(first_line_) + ", column " + std::to_string(first_column_) +
           ")";
}

}  // namespace orkan
