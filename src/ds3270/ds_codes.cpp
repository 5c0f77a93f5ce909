#include "ds3270/ds_codes.h"

#include <cstdio>

#include "screen/presentation_space.h"

namespace orkan {
namespace {

struct Named {
    uint8_t code;
    std::string_view name;
};

template <size_t N>
std::string_view Find(const std::array<Named, N>& table, uint8_t code) {
    for (const Named& n : table)
        if (n.code == code) return n.name;
    return {};
}

constexpr std::array<Named, 16> kCommands = {{
    {cmd::Write, "Write"},
    {cmd::WriteChannel, "Write"},
    {cmd::EraseWrite, "Erase/Write"},
    {cmd::EraseWriteChannel, "Erase/Write"},
    {cmd::EraseWriteAlternate, "Erase/Write Alternate"},
    {cmd::EraseWriteAlternateChannel, "Erase/Write Alternate"},
    {cmd::EraseAllUnprotected, "Erase All Unprotected"},
    {cmd::EraseAllUnprotectedChannel, "Erase All Unprotected"},
    {cmd::ReadBuffer, "Read Buffer"},
    {cmd::ReadBufferChannel, "Read Buffer"},
    {cmd::ReadModified, "Read Modified"},
    {cmd::ReadModifiedChannel, "Read Modified"},
    {cmd::ReadModifiedAll, "Read Modified All"},
    {cmd::ReadModifiedAllChannel, "Read Modified All"},
    {cmd::WriteStructuredField, "Write Structured Field"},
    {cmd::WriteStructuredFieldChannel, "Write Structured Field"},
}};

constexpr std::array<Named, 10> kOrders = {{
    {order::PT, "PT"},
    {order::GE, "GE"},
    {order::SBA, "SBA"},
    {order::EUA, "EUA"},
    {order::IC, "IC"},
    {order::SF, "SF"},
    {order::SA, "SA"},
    {order::SFE, "SFE"},
    {order::MF, "MF"},
    {order::RA, "RA"},
}};

constexpr std::array<Named, 7> kStructuredFields = {{
    {sfid::ReadPartition, "Read Partition"},
    {sfid::EraseReset, "Erase/Reset"},
    {sfid::SetReplyMode, "Set Reply Mode"},
    {sfid::HostText, "Host Text"},
    {sfid::Outbound3270DS, "Outbound 3270DS"},
    {sfid::Transfer, "File Transfer"},
    {sfid::QueryReply, "Query Reply"},
}};

constexpr std::array<Named, 11> kQueryCodes = {{
    {qcode::Summary, "Summary"},
    {qcode::UsableArea, "Usable Area"},
    {qcode::CharacterSets, "Character Sets"},
    {qcode::Color, "Color"},
    {qcode::Highlighting, "Highlighting"},
    {qcode::ReplyModes, "Reply Modes"},
    {qcode::AuxiliaryDeviceOem, "OEM Auxiliary Device"},
    {qcode::DistributedDataManagement, "Distributed Data Management"},
    {qcode::AuxiliaryDevice, "Auxiliary Device"},
    {qcode::ImplicitPartition, "Implicit Partition"},
    {qcode::Transparency, "Transparency"},
}};

struct NamedRequest {
    uint16_t code;
    std::string_view name;
};
constexpr std::array<NamedRequest, 11> kTransferRequests = {{
    {dft::Open, "Open"},
    {dft::Close, "Close"},
    {dft::SetCursor, "Set Cursor"},
    {dft::Get, "Get"},
    {dft::Insert, "Insert"},
    {dft::OpenAck, "Open acknowledged"},
    {dft::CloseAck, "Close acknowledged"},
    {dft::GetData, "Get answered with data"},
    {dft::GetRefused, "Get refused"},
    {dft::InsertAck, "Insert acknowledged"},
    {dft::InsertRefused, "Insert refused"},
}};

constexpr std::array<Named, 9> kAids = {{
    {aid::None, "no AID"},
    {aid::StructuredField, "Structured Field"},
    {aid::Clear, "Clear"},
    {aid::Enter, "Enter"},
    {aid::PA1, "PA1"},
    {aid::PA2, "PA2"},
    {aid::PA3, "PA3"},
    {aid::SelectorPen, "Selector Pen"},
    {aid::SysReq, "SysReq"},
}};

constexpr std::array<std::string_view, 24> kPfNames = {
    "PF1",  "PF2",  "PF3",  "PF4",  "PF5",  "PF6",  "PF7",  "PF8",  "PF9",  "PF10", "PF11", "PF12",
    "PF13", "PF14", "PF15", "PF16", "PF17", "PF18", "PF19", "PF20", "PF21", "PF22", "PF23", "PF24"};

constexpr std::array<std::string_view, 8> kColours = {
    "neutral-black", "blue", "red", "pink", "green", "turquoise", "yellow", "neutral-white"};

constexpr std::array<Named, 5> kHighlights = {{
    {0x00, "default"},
    {0xF0, "normal"},
    {0xF1, "blink"},
    {0xF2, "reverse"},
    {0xF4, "underscore"},
}};

std::string Hex(uint8_t value) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

void AddWord(std::string& out, std::string_view word) {
    if (!out.empty()) out += ' ';
    out += word;
}

}  // namespace

std::string_view CommandName(uint8_t command) {
    return Find(kCommands, command);
}
std::string_view OrderName(uint8_t code) {
    return Find(kOrders, code);
}
std::string_view StructuredFieldName(uint8_t id) {
    return Find(kStructuredFields, id);
}
std::string_view QueryCodeName(uint8_t code) {
    return Find(kQueryCodes, code);
}

std::string_view TransferRequestName(uint16_t code) {
    for (const NamedRequest& r : kTransferRequests)
        if (r.code == code) return r.name;
    return {};
}

std::string_view AidName(uint8_t value) {
    for (size_t i = 0; i < aid::Pf.size(); ++i)
        if (aid::Pf[i] == value) return kPfNames[i];
    return Find(kAids, value);
}

std::string WccNames(uint8_t value) {
    std::string out;
    if (value & wcc::Reset) AddWord(out, "reset");
    if (value & wcc::StartPrinter) AddWord(out, "start-printer");
    if (value & wcc::Alarm) AddWord(out, "alarm");
    if (value & wcc::KeyboardRestore) AddWord(out, "keyboard-restore");
    if (value & wcc::ResetMdt) AddWord(out, "reset-mdt");
    return out.empty() ? "none" : out;
}

std::string FieldAttributeNames(uint8_t attribute) {
    std::string out;
    if ((attribute & fa::Autoskip) == fa::Autoskip)
        AddWord(out, "autoskip");
    else if (attribute & fa::Protected)
        AddWord(out, "protected");
    else
        AddWord(out, "unprotected");
    if ((attribute & fa::Autoskip) == fa::Numeric) AddWord(out, "numeric");
    if ((attribute & fa::DisplayMask) == fa::NonDisplay)
        AddWord(out, "nondisplay");
    else if (attribute & fa::Intensified)
        AddWord(out, "intensified");
    if (attribute & fa::Mdt) AddWord(out, "mdt");
    return out;
}

std::string AttributePairText(uint8_t type, uint8_t value) {
    switch (type) {
        case pair::ResetAll:
            return "reset";
        case pair::FieldAttribute:
            return "field=" + FieldAttributeNames(value);
        case pair::Highlight: {
            const std::string_view name = Find(kHighlights, value);
            return "highlight=" + (name.empty() ? Hex(value) : std::string(name));
        }
        case pair::Foreground:
        case pair::Background: {
            const std::string key = type == pair::Foreground ? "color=" : "background=";
            if (value == 0) return key + "default";
            return key + (value >= 0xF0 && value <= 0xF7 ? std::string(kColours[value - 0xF0]) : Hex(value));
        }
        case pair::CharacterSet:
            return "charset=" + (value == 0                   ? std::string("default")
                                 : value == kGraphicEscapeSet ? "APL"
                                                              : Hex(value));
        case pair::Transparency:
            return "transparency=" + Hex(value);
        case pair::Validation:
            return "validation=" + Hex(value);
        case pair::Outlining:
            return "outlining=" + Hex(value);
        default:
            return Hex(type) + "=" + Hex(value);
    }
}

}  // namespace orkan
