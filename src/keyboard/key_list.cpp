#include "keyboard/key_list.h"

#include <cstring>

#include "config/atomic_file.h"
#include "config/data_file.h"
#include "config/profile_file.h"

namespace orkan {

namespace {

constexpr size_t kLengthField = 2;
constexpr size_t kCountsSize = 9;   // two section lengths, two unused bytes, three counts
constexpr size_t kMaxBody = 32767;  // N is a signed 16-bit number
constexpr size_t kFileLimit = size_t(1) << 20;

size_t SectionIndex(KeyCategory c) {
    switch (c) {
        case KeyCategory::Action:
            return 0;
        case KeyCategory::Edit:
            return 1;
        default:
            return 2;
    }
}

char Prefix(KeyCategory c) {
    switch (c) {
        case KeyCategory::Action:
            return 'A';
        case KeyCategory::Edit:
            return 'E';
        case KeyCategory::Char:
            return 'C';
        case KeyCategory::Oper:
            return 'O';
        case KeyCategory::Macro:
            return 'M';
        default:
            return '?';
    }
}

std::string BoundedText(const uint8_t* p, size_t size) {
    const char* text = reinterpret_cast<const char*>(p);
    return std::string(text, strnlen(text, size));
}

void PutRecord(std::vector<uint8_t>& out, const KeyFunction& f) {
    const size_t at = out.size();
    out.resize(at + kKeyRecordSize, 0);
    out[at] = f.number;
    out[at + 1] = f.flags;
    std::memcpy(out.data() + at + 2, f.name.data(), f.name.size());
    std::memcpy(out.data() + at + 2 + kKeyNameSize, f.description.data(), f.description.size());
}

}  // namespace

KeyList::Status KeyList::Parse(std::span<const uint8_t> bytes, KeyList& out) {
    if (bytes.size() < kKeyListMagic.size() ||
        std::memcmp(bytes.data(), kKeyListMagic.data(), kKeyListMagic.size()) != 0)
        return Status::BadHeader;
    if (bytes.size() < kKeyListHeaderSize + kLengthField) return Status::Damaged;
    const int16_t n = int16_t(uint16_t(bytes[24]) | uint16_t(bytes[25]) << 8);
    if (n < int16_t(kCountsSize)) return Status::Damaged;
    const std::span<const uint8_t> body = bytes.subspan(kKeyListHeaderSize + kLengthField);
    if (size_t(n) > body.size()) return Status::Damaged;

    const size_t action_bytes = size_t(body[0]) | size_t(body[1]) << 8;
    const size_t edit_bytes = size_t(body[2]) | size_t(body[3]) << 8;
    const std::array<size_t, 3> counts = {body[6], body[7], body[8]};
    if (action_bytes != counts[0] * kKeyRecordSize || edit_bytes != counts[1] * kKeyRecordSize)
        return Status::Damaged;
    if (kCountsSize + (counts[0] + counts[1] + counts[2]) * kKeyRecordSize > size_t(n))
        return Status::Damaged;

    KeyList list;
    size_t at = kCountsSize;
    for (size_t s = 0; s < 3; ++s) {
        for (size_t i = 0; i < counts[s]; ++i, at += kKeyRecordSize) {
            const uint8_t* r = body.data() + at;
            list.sections_[s].push_back({r[0], r[1], BoundedText(r + 2, kKeyNameSize),
                                         BoundedText(r + 2 + kKeyNameSize, kKeyDescriptionSize)});
        }
    }
    list.trailing_.assign(body.begin() + std::ptrdiff_t(at), body.end());
    out = std::move(list);
    return Status::Ok;
}

uint16_t KeyList::FindKeyFunction(std::string_view name) const {
    if (name.empty()) return kNoKeyFunction;
    constexpr std::array kOrder = {KeyCategory::Action, KeyCategory::Edit, KeyCategory::Oper};
    for (KeyCategory c : kOrder)
        for (const KeyFunction& f : sections_[SectionIndex(c)])
            if (EqualsIgnoreCase(f.name, name)) return MakeKeyCode(c, f.number);
    return kNoKeyFunction;
}

const std::vector<KeyFunction>& KeyList::Functions(KeyCategory category) const {
    return sections_[SectionIndex(category)];
}

const KeyFunction* KeyList::Find(KeyCategory category, uint8_t number) const {
    if (category != KeyCategory::Action && category != KeyCategory::Edit && category != KeyCategory::Oper)
        return nullptr;
    for (const KeyFunction& f : sections_[SectionIndex(category)])
        if (f.number == number) return &f;
    return nullptr;
}

std::string KeyList::KeyText(uint16_t code, const std::function<std::string(int)>& macro_name) const {
    const KeyCategory c = CategoryOf(code);
    const uint8_t number = NumberOf(code);
    std::string text{Prefix(c), ':'};
    switch (c) {
        case KeyCategory::Char:
            text += char(number);
            break;
        case KeyCategory::Macro:
            text += macro_name ? macro_name(number) : std::to_string(number);
            break;
        case KeyCategory::Action:
        case KeyCategory::Edit:
        case KeyCategory::Oper:
            if (const KeyFunction* f = Find(c, number))
                text += f->name;
            else
                text += std::to_string(number);
            break;
        default:
            text += std::to_string(code);
            break;
    }
    return text;
}

std::vector<uint8_t> BuildKeyList(std::span<const KeyFunction> action, std::span<const KeyFunction> edit,
                                  std::span<const KeyFunction> oper) {
    const std::array<std::span<const KeyFunction>, 3> sections = {action, edit, oper};
    size_t records = 0;
    for (auto s : sections) {
        if (s.size() > 255) return {};
        for (const KeyFunction& f : s)
            if (f.name.size() >= kKeyNameSize || f.description.size() >= kKeyDescriptionSize) return {};
        records += s.size();
    }
    const size_t n = kCountsSize + records * kKeyRecordSize;
    if (n > kMaxBody) return {};

    std::vector<uint8_t> out(kKeyListMagic.begin(), kKeyListMagic.end());
    out.resize(kKeyListHeaderSize, ' ');
    out.push_back(uint8_t(n));
    out.push_back(uint8_t(n >> 8));
    const size_t action_bytes = action.size() * kKeyRecordSize, edit_bytes = edit.size() * kKeyRecordSize;
    for (uint8_t b :
         {uint8_t(action_bytes), uint8_t(action_bytes >> 8), uint8_t(edit_bytes), uint8_t(edit_bytes >> 8),
          uint8_t(0), uint8_t(0), uint8_t(action.size()), uint8_t(edit.size()), uint8_t(oper.size())})
        out.push_back(b);
    for (auto s : sections)
        for (const KeyFunction& f : s) PutRecord(out, f);
    return out;
}

bool ParseKeyFunctionTable(std::string_view text, KeyFunctionTable& out, std::string& error) {
    KeyFunctionTable table;
    size_t line_number = 0;
    size_t pos = 0;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(line_number) + ": " + why;
        return false;
    };
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == text.npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++line_number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;

        std::array<std::string_view, 5> cols;
        size_t col = 0, start = 0;
        for (size_t i = 0; i <= line.size() && col < cols.size(); ++i) {
            if (i == line.size() || (line[i] == '\t' && col + 1 < cols.size())) {
                cols[col++] = line.substr(start, i - start);
                start = i + 1;
            }
        }
        if (col < 4) return fail("expected section, number, flags, name and description");

        std::vector<KeyFunction>* section = cols[0] == "Action" ? &table.action
                                            : cols[0] == "Edit" ? &table.edit
                                            : cols[0] == "Oper" ? &table.oper
                                                                : nullptr;
        if (!section) return fail("unknown section \"" + std::string(cols[0]) + "\"");
        unsigned number = 0, flags = 0;
        bool ok = !cols[1].empty() && cols[1].size() <= 3 && cols[2].size() == 2;
        for (char c : cols[1]) {
            ok = ok && c >= '0' && c <= '9';
            number = number * 10 + unsigned(c - '0');
        }
        for (char c : cols[2]) {
            const int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
            ok = ok && d >= 0;
            flags = flags * 16 + unsigned(d < 0 ? 0 : d);
        }
        if (!ok || number > 255) return fail("number must be 0-255 and flags two upper-case hex digits");
        KeyFunction f{uint8_t(number), uint8_t(flags), std::string(cols[3]), std::string(cols[4])};
        if (f.name.empty() || f.name.size() >= kKeyNameSize) return fail("name must have 1 to 29 characters");
        if (f.description.size() >= kKeyDescriptionSize)
            return fail("description longer than 127 characters");
        for (const auto* s : {&table.action, &table.edit, &table.oper})
            for (const KeyFunction& other : *s)
                if (EqualsIgnoreCase(other.name, f.name))
                    return fail("name \"" + f.name + "\" is used twice");
        for (const KeyFunction& other : *section)
            if (other.number == f.number) return fail("number " + std::to_string(number) + " is used twice");
        section->push_back(std::move(f));
    }
    out = std::move(table);
    return true;
}

bool LoadKeyList(const Folders& folders, KeyList& out, Ui& ui) {
    std::vector<uint8_t> bytes;
    int error = 0;
    ReadResult read = ReadResult::Missing;
    for (const std::string* folder : {&folders.key_data, &folders.program_data}) {
        if (folder->empty()) continue;
        read = ReadWholeFile(DataFilePath("key.lst", *folder, ""), kFileLimit, bytes, error);
        if (read == ReadResult::Ok || read == ReadResult::TooLarge) break;
    }
    if (read == ReadResult::Missing || read == ReadResult::Error) {
        ui.ShowMessage({"Orkan TN3270 - file not found",
                        "File \"key.lst\" was not found.\nYou may need to re-install Orkan.", Buttons::Ok,
                        Icon::Error});
        return false;
    }
    if (read == ReadResult::TooLarge || KeyList::Parse(bytes, out) != KeyList::Status::Ok) {
        ui.ShowMessage(
            {"Orkan TN3270 Installation Error",
             "KEY.LST is not a valid keylist file for this version\nOrkan TN3270 cannot run without it",
             Buttons::Ok, Icon::Error});
        return false;
    }
    return true;
}

}  // namespace orkan
