#include "macro/macro_variables.h"

#include "options/system_variables.h"

namespace orkan {

void MacroVariables::Reset() {
    entries_.clear();
    index_.clear();
    entries_.reserve(64);
    auto add = [&](std::string_view name, MacroValue value, int system) {
        index_.emplace(std::string(name), int(entries_.size()));
        entries_.push_back({std::string(name), std::move(value), system});
    };
    add("TRUE", MacroValue::Number(1), -1);
    add("FALSE", MacroValue::Number(0), -1);
    add("TRACEMESSAGE", MacroValue::Number(1), -1);
    for (size_t i = 0; i < kSystemVariables.size(); ++i) {
        const SystemVariableInfo& v = kSystemVariables[i];
        add(v.name, v.type == MacroType::Text ? MacroValue::Text("") : MacroValue::Number(0), int(i));
    }
}

int MacroVariables::Create(std::string_view upper_name) {
    if (entries_.size() >= kVariableCapacity) return -1;
    const int i = int(entries_.size());
    index_.emplace(std::string(upper_name), i);
    entries_.push_back({std::string(upper_name), MacroValue::Number(0), -1});
    return i;
}

}  // namespace orkan
