// What the macro language reaches outside itself: the interpreter asks its host for every built-in
// beyond text and variables (screen, keys, waits, files, dialogs, RUN, transfers, system
// functions), for the system variables, and whether the statement's macro still runs, so the
// language itself needs no Session. On a session the host is MacroSessionBindings.
#pragma once

#include <string_view>

#include "scripting/macro_value.h"

namespace orkan {

struct MacroProgram;

// Results of a built-in that end its statement without an error.
// RUN (or a wildcard transfer) put a child macro in the statement's place.
inline constexpr int kStartedChild = 1000;
// The statement waits (state Waiting) and runs again from its start.
inline constexpr int kSuspendedStatement = 1001;

class MacroHost {
  public:
    virtual ~MacroHost() = default;

    // A built-in function the language itself does not have; the arguments have passed its
    // signature check and `out` is 0. 0, a macro error number, kStartedChild or kSuspendedStatement.
    virtual int CallFunction(int keyword, MacroValue* args, int count, MacroValue& out) = 0;
    // System variable `number` (system_variables.h).
    virtual MacroValue ReadSystemVariable(int number) = 0;
    virtual int AssignSystemVariable(int number, const MacroValue& value) = 0;
    // FixInstrFunction: INSTR counts from the text's start instead of from its start position.
    virtual bool InstrCountsFromStart() const = 0;
    // DEBUG() and the statement trace.
    virtual void DebugLine(std::string_view text) = 0;
    // Whether `program` is still the one executing (a built-in may have stopped the chain).
    virtual bool Executes(const MacroProgram& program) const = 0;
    // Whether the macro goes on to its next statement: not waiting, pausing or paused.
    virtual bool GoesOn() const = 0;
};

}  // namespace orkan
