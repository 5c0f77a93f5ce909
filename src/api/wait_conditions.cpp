#include "api/wait_conditions.h"

#include <algorithm>

#include "api/screen_facts.h"
#include "charset/display_unicode.h"
#include "display/screen_model.h"
#include "session/session.h"

namespace orkan {

namespace {

struct KindName {
    std::string_view name;
    WaitCondition::Kind kind;
};
constexpr KindName kKinds[] = {
    {"unlocked", WaitCondition::Kind::Unlocked}, {"text", WaitCondition::Kind::Text},
    {"cursor", WaitCondition::Kind::Cursor},     {"cursor_in_field", WaitCondition::Kind::CursorInField},
    {"changed", WaitCondition::Kind::Changed},   {"disconnected", WaitCondition::Kind::Disconnected},
};

// The members each kind takes besides "kind".
std::string_view MembersOf(WaitCondition::Kind kind) {
    switch (kind) {
        case WaitCondition::Kind::Unlocked:
            return " quiet_ms ";
        case WaitCondition::Kind::Text:
            return " text row column ignore_case absent ";
        case WaitCondition::Kind::Cursor:
        case WaitCondition::Kind::CursorInField:
            return " row column ";
        case WaitCondition::Kind::Changed:
            return " since ";
        case WaitCondition::Kind::Disconnected:
            return " ";
    }
    return " ";
}

bool ReadOne(const Json& c, WaitCondition& out, std::string& error) {
    if (!c.is_object()) {
        error = "must be an object";
        return false;
    }
    const std::optional<std::string> kind = StringParam(c, "kind");
    const KindName* found = nullptr;
    for (const KindName& k : kKinds)
        if (kind && *kind == k.name) found = &k;
    if (!found) {
        error = "needs \"kind\": unlocked, text, cursor, cursor_in_field, changed or disconnected";
        return false;
    }
    out.kind = found->kind;
    for (const auto& [key, value] : c.items()) {
        (void)value;
        if (key != "kind" && MembersOf(out.kind).find(" " + key + " ") == std::string_view::npos) {
            error = "of kind \"" + *kind + "\" takes no \"" + key + "\"";
            return false;
        }
    }
    auto integer = [&](const char* name, int64_t min, int64_t max, int64_t& to) {
        const auto it = c.find(name);
        if (it == c.end()) return true;
        const std::optional<int64_t> n = AsInteger(*it);
        if (!n || *n < min || *n > max) {
            error = "has \"" + std::string(name) + "\" outside " + std::to_string(min) + " to " +
                    std::to_string(max);
            return false;
        }
        to = *n;
        return true;
    };
    auto flag = [&](const char* name, bool& to) {
        const auto it = c.find(name);
        if (it == c.end()) return true;
        if (!it->is_boolean()) {
            error = "has \"" + std::string(name) + "\" that is not true or false";
            return false;
        }
        to = it->get<bool>();
        return true;
    };
    int64_t row = 0, column = 0, since = 0;
    if (!integer("quiet_ms", 0, kMaxTimeoutMs, out.quiet_ms) || !integer("row", 1, 255, row) ||
        !integer("column", 1, 255, column) || !integer("since", 0, INT64_MAX, since) ||
        !flag("ignore_case", out.ignore_case) || !flag("absent", out.absent))
        return false;
    out.since = uint64_t(since);
    out.row = uint32_t(row);
    out.column = uint32_t(column);
    out.at_position = row != 0 || column != 0;
    const bool needs_position =
        out.kind == WaitCondition::Kind::Cursor || out.kind == WaitCondition::Kind::CursorInField;
    if ((row == 0) != (column == 0) || (needs_position && row == 0)) {
        error = "needs \"row\" and \"column\" together";
        return false;
    }
    if (out.kind == WaitCondition::Kind::Changed && !c.contains("since")) {
        error = "needs \"since\"";
        return false;
    }
    if (out.kind == WaitCondition::Kind::Text) {
        const std::optional<std::string> text = StringParam(c, "text");
        DisplayText display = Utf8ToDisplay(text.value_or(""));
        if (!display.failures.empty()) {
            error = "has a text with a character the screen cannot show: " +
                    DescribeUnconvertible(display.failures.front());
            return false;
        }
        // One screen character each: the count is the characters', as the schema counts.
        if (display.text.empty() || display.text.size() > 20000) {
            error = "needs \"text\" of 1 to 20000 characters";
            return false;
        }
        out.text = std::move(display.text);
    }
    return true;
}

std::string Folded(std::string text, bool ignore_case) {
    if (ignore_case)
        for (char& c : text) c = char(DisplayUpper(uint8_t(c)));
    return text;
}

std::optional<uint32_t> AddressOf(const Session& s, uint32_t row, uint32_t column) {
    if (row < 1 || column < 1 || row > s.ps.rows || column > s.ps.columns) return std::nullopt;
    const uint32_t a = (row - 1) * s.ps.columns + column - 1;
    if (a >= ScreenPositions(s.ps)) return std::nullopt;
    return a;
}

bool TextShown(const Session& s, const WaitCondition& c) {
    const std::string cells = Folded(ScreenCells(s.ps), c.ignore_case);
    const std::string text = Folded(c.text, c.ignore_case);
    if (!c.at_position) return cells.find(text) != std::string::npos;
    const std::optional<uint32_t> a = AddressOf(s, c.row, c.column);
    return a && cells.compare(*a, text.size(), text) == 0;
}

}  // namespace

bool ReadConditions(const Json& conditions, std::vector<WaitCondition>& out, std::string& error) {
    out.clear();
    if (!conditions.is_array() || conditions.empty() || conditions.size() > 16) {
        error = "\"conditions\" must hold 1 to 16 conditions.";
        return false;
    }
    for (size_t i = 0; i < conditions.size(); ++i) {
        WaitCondition c;
        std::string why;
        if (!ReadOne(conditions[i], c, why)) {
            error = "Condition " + std::to_string(i + 1) + " " + why + ".";
            return false;
        }
        out.push_back(std::move(c));
    }
    return true;
}

bool ConditionHolds(const Session& s, const WaitCondition& c, const WaitFacts& facts) {
    switch (c.kind) {
        case WaitCondition::Kind::Unlocked:
            return s.status == SessionStatus::Unlocked && facts.quiet_for_ms >= c.quiet_ms;
        case WaitCondition::Kind::Text:
            return TextShown(s, c) != c.absent;
        case WaitCondition::Kind::Cursor: {
            const std::optional<uint32_t> a = AddressOf(s, c.row, c.column);
            return a && *a == s.ps.cursor_address;
        }
        case WaitCondition::Kind::CursorInField: {
            const std::optional<uint32_t> a = AddressOf(s, c.row, c.column);
            if (!a) return false;
            const std::optional<FieldFacts> field = FieldHolding(s.ps, *a);
            const std::optional<FieldFacts> cursor = FieldHolding(s.ps, s.ps.cursor_address);
            return field && cursor && field->attribute == cursor->attribute;
        }
        case WaitCondition::Kind::Changed:
            return facts.seq > c.since;
        case WaitCondition::Kind::Disconnected:
            return !SessionConnected(s);
    }
    return false;
}

std::optional<int64_t> QuietTimeLeft(const Session& s, const WaitCondition& c, const WaitFacts& facts) {
    if (c.kind != WaitCondition::Kind::Unlocked || s.status != SessionStatus::Unlocked ||
        facts.quiet_for_ms >= c.quiet_ms)
        return std::nullopt;
    return c.quiet_ms - facts.quiet_for_ms;
}

}  // namespace orkan
