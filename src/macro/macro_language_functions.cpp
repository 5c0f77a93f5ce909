// The built-in functions that work on values and variables alone; the others go to the host.
#include <cstdio>
#include <ctime>

#include "macro/macro_interpreter.h"
#include "macro/macro_text.h"
#include "scripting/macro_errors.h"

namespace orkan {

namespace {

inline constexpr size_t kTimeDateMax = 240;

std::string Number(int64_t n) {
    return std::to_string(n);
}

// The number at the start of the text: blanks, an optional sign, decimal digits.
int ReadDecimal(std::string_view t, MacroValue& out) {
    size_t i = 0;
    while (i < t.size() && t[i] == ' ') ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    int64_t value = 0;
    for (; i < t.size() && IsDigit(t[i]); ++i) {
        value = value * 10 + (t[i] - '0');
        if (value > kMacroNumberMax) return macro_error::Overflow;
    }
    out = MacroValue::Number(int32_t(negative ? -value : value));
    return 0;
}

// The text read as hexadecimal, as "%X" reads it; 0 when it is not hexadecimal.
int ReadHex(std::string_view t, MacroValue& out) {
    size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) i += 2;
    int64_t value = 0;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (d < 0) break;
        value = value * 16 + d;
        if (value > kMacroNumberMax) return macro_error::Overflow;
    }
    out = MacroValue::Number(int32_t(negative ? -value : value));
    return 0;
}

}  // namespace

int MacroInterpreter::CallFunction(int keyword, MacroValue* a, int count, MacroValue& out) {
    out = MacroValue::Number(0);
    return LanguageFunction(keyword, a, count, out);
}

int MacroInterpreter::LanguageFunction(int keyword, MacroValue* a, int count, MacroValue& out) {
    switch (keyword) {
        case kw::Control:
            trace_flags_ = a[0].number;
            return 0;
        case kw::Debug:
            host_.DebugLine(a[0].IsNumber() ? std::to_string(a[0].number) : a[0].text);
            return 0;
        case kw::Drop:
            Variables().Reset();
            return 0;
        case kw::Defined:
            out = MacroValue::Number(Variables().Find(UpperText(a[0].text)) >= 0);
            return 0;
        case kw::Not:
            out = MacroValue::Number(a[0].number == 0);
            return 0;
        case kw::Mid: {
            const std::string& t = a[0].text;
            const int64_t start = a[1].number, length = a[2].number;
            if (start < 1 || start > int64_t(t.size()) || length <= 0) {
                out = MacroValue::Text("");
                return 0;
            }
            out = MacroValue::Text(t.substr(size_t(start - 1), size_t(length)));
            return 0;
        }
        case kw::Left:
        case kw::Right: {
            const std::string& t = a[0].text;
            const size_t n = a[1].number < 0 ? 0 : std::min(size_t(a[1].number), t.size());
            out = MacroValue::Text(keyword == kw::Left ? t.substr(0, n) : t.substr(t.size() - n));
            return 0;
        }
        case kw::Str:
            out = MacroValue::Text(Number(a[0].number));
            return 0;
        case kw::Chr:
            out = a[0].number < 0 || a[0].number > 255 ? MacroValue::Text("")
                                                       : MacroValue::Text(std::string(1, char(a[0].number)));
            return 0;
        case kw::Val:
            return ReadDecimal(a[0].text, out);
        case kw::Len:
            out = MacroValue::Number(int32_t(a[0].text.size()));
            return 0;
        case kw::Instr: {
            const int64_t start = a[0].number;
            const std::string& text = a[1].text;
            if (start < 0 || start > int64_t(text.size())) return 0;
            const size_t found = text.find(a[2].text, size_t(start));
            if (found == std::string::npos) return 0;
            int64_t position = int64_t(found) - start + 1;
            if (host_.InstrCountsFromStart()) position += start;
            out = MacroValue::Number(int32_t(position));
            return 0;
        }
        case kw::Trim: {
            std::string_view t = a[0].text;
            while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
            while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
            out = MacroValue::Text(t);
            return 0;
        }
        case kw::UpperCase:
            out = MacroValue::Text(UpperText(a[0].text));
            return 0;
        case kw::LowerCase:
            out = MacroValue::Text(LowerText(a[0].text));
            return 0;
        case kw::Hex: {
            char digits[16];
            std::snprintf(digits, sizeof digits, "%08X", unsigned(uint32_t(a[0].number)));
            if (count < 2) {
                out = MacroValue::Text(digits);
                return 0;
            }
            if (a[1].number < 1 || a[1].number > 8) return macro_error::InvalidValue;
            out = MacroValue::Text(std::string(digits + 8 - a[1].number));
            return 0;
        }
        case kw::HexDec:
            return ReadHex(a[0].text, out);
        case kw::Asc:
            out = MacroValue::Number(a[0].text.empty() ? 0 : uint8_t(a[0].text[0]));
            return 0;
        case kw::DataType: {
            std::string kinds = a[0].text;
            const CharacterClasses& classes = program_->classes;
            for (char& c : kinds) c = classes.IsName(c) ? 'A' : IsDigit(c) ? 'N' : 'S';
            out = MacroValue::Text(std::move(kinds));
            return 0;
        }
        case kw::Rnd: {
            random_state_ = random_state_ * 1103515245u + 12345u;
            const int64_t r = (random_state_ >> 16) & 0x7FFF;
            out = MacroValue::Number(int32_t(r * a[0].number / 32767));
            return 0;
        }
        case kw::TimeDate: {
            const std::time_t now = std::time(nullptr);
            std::tm local{};
            localtime_r(&now, &local);
            // Room for whatever a format of 255 bytes can give (no conversion yields 64 bytes), so
            // that strftime's 0 means an empty result and never a result that did not fit.
            std::string buffer(size_t(64) * 256, '\0');
            const size_t n = a[0].text.empty()
                                 ? 0
                                 : std::strftime(buffer.data(), buffer.size(), a[0].text.c_str(), &local);
            if (n > kTimeDateMax) return macro_error::TextTooLong;
            buffer.resize(n);
            out = MacroValue::Text(std::move(buffer));
            return 0;
        }
        case kw::Plus:
        case kw::Minus:
        case kw::Bang:
            return macro_error::NotFound;
        case kw::If:
        case kw::Else:
        case kw::EndIf:
        case kw::While:
        case kw::EndWhile:
        case kw::Select:
        case kw::Case:
        case kw::Default:
        case kw::EndSelect:
        case kw::For:
        case kw::Next:
        case kw::Break:
        case kw::Continue:
        case kw::Exit:
        case kw::Goto:
        case kw::Call:
        case kw::Return:
            return 0;  // the control words as function terms: nothing
        default:
            // Everything beyond the language is the host's (screen, keys, files, dialogs, ...).
            return host_.CallFunction(keyword, a, count, out);
    }
}

}  // namespace orkan
