// The macro language: executes one statement of a loaded macro at a time (statements, control
// flow through the scan table, expressions, the built-ins of text and variables) and reaches
// everything else through its MacroHost. It owns the session's variables: one table the user's
// macros share, and one for the macros a host sent.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "macro/macro_host.h"
#include "macro/macro_program.h"
#include "macro/macro_variables.h"

namespace orkan {

class MacroInterpreter {
  public:
    explicit MacroInterpreter(MacroHost& host) : host_(host) {}
    MacroInterpreter(const MacroInterpreter&) = delete;
    MacroInterpreter& operator=(const MacroInterpreter&) = delete;

    // A new chain: no exit code, no trace, no CALL just made.
    void BeginChain();
    // Executes the statement at `program.current` and moves past it unless it jumped, waits or
    // ended the macro. 0, a macro error number (the program's error column set), or kStartedChild.
    int ExecuteStatement(MacroProgram& program);

    // The user's macros' variables.
    MacroVariables& variables() { return variables_; }
    int32_t exit_code() const { return exit_code_; }
    // CONTROL()'s flags: 1 traces each statement.
    int trace_flags() const { return trace_flags_; }

  private:
    // The table of the macro being executed: a host never reads or changes what the user's macros
    // keep in theirs (a password for the logon, a file name), nor drops it.
    MacroVariables& Variables() {
        return program_ != nullptr && !program_->permissions.IsFull() ? host_variables_ : variables_;
    }

    // Statements (macro_statements.cpp).
    int ExecuteControl(int keyword);
    int Assign(const std::string& name, bool in_for);
    int EvaluateCondition(bool& truth);

    // Expressions (macro_evaluator.cpp).
    int Evaluate(MacroValue& out);
    int EvaluateList(std::vector<MacroValue>& items);
    int ParseChain(MacroValue& out, int min_priority);
    int ParseOperand(MacroValue& out);
    int ParseFunction(int keyword, MacroValue& out);
    int ReadVariable(const std::string& name, MacroValue& out);
    int CountSlot();
    int ReadToken(Token& t);

    // Built-in functions (macro_language_functions.cpp).
    int CallFunction(int keyword, MacroValue* args, int count, MacroValue& out);
    int LanguageFunction(int keyword, MacroValue* args, int count, MacroValue& out);

    MacroHost& host_;
    MacroVariables variables_;
    MacroVariables host_variables_;
    uint32_t random_state_ = 1;
    int32_t exit_code_ = 0;
    int trace_flags_ = 0;
    bool previous_was_call_ = false;

    // The statement being executed.
    MacroProgram* program_ = nullptr;
    MacroScanner* sc_ = nullptr;
    int slots_used_ = 0;
    int depth_ = 0;  // parentheses and function terms open around the current token
};

}  // namespace orkan
