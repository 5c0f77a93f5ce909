// The variables of one session, shared by every macro it runs: TRUE, FALSE, TRACEMESSAGE, the 46
// system variables and whatever macros assign, up to the table's 3,744 entries.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scripting/macro_value.h"

namespace orkan {

inline constexpr size_t kVariableCapacity = 3744;
inline constexpr size_t kMaxVariableName = 16;

struct MacroVariable {
    std::string name;  // upper case
    MacroValue value;
    int system = -1;  // system number (system_variables.h), -1 for an ordinary variable
};

class MacroVariables {
  public:
    MacroVariables() { Reset(); }

    // Back to the 49 initial entries (start-up and DROP()).
    void Reset();

    // The index of a variable, -1 when there is none.
    int Find(std::string_view upper_name) const {
        const auto it = index_.find(upper_name);
        return it == index_.end() ? -1 : it->second;
    }
    // A new ordinary variable (numeric 0); -1 when the table is full.
    int Create(std::string_view upper_name);

    MacroVariable& at(int i) { return entries_[size_t(i)]; }
    const MacroVariable& at(int i) const { return entries_[size_t(i)]; }
    size_t size() const { return entries_.size(); }

  private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::vector<MacroVariable> entries_;
    std::unordered_map<std::string, int, Hash, std::equal_to<>> index_;
};

}  // namespace orkan
