// The macro language's host on a session: the built-ins that read the screen, press keys, open
// files and dialogs, start programs, change settings and transfer files, and the system variables.
// Waits and RUN belong to the runner's chain, which these bindings hand them to.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "macro/macro_environment.h"
#include "macro/macro_files.h"
#include "macro/macro_host.h"
#include "options/system_variables.h"
#include "platform/alive_token.h"

namespace orkan {

struct Session;
struct TransferOutcome;
class MacroRunner;

class MacroSessionBindings final : public MacroHost {
  public:
    MacroSessionBindings(Session& session, MacroEnvironment& environment, MacroRunner& runner);
    MacroSessionBindings(const MacroSessionBindings&) = delete;
    MacroSessionBindings& operator=(const MacroSessionBindings&) = delete;

    // MacroHost.
    int CallFunction(int keyword, MacroValue* args, int count, MacroValue& out) override;
    MacroValue ReadSystemVariable(int number) override;
    int AssignSystemVariable(int number, const MacroValue& value) override;
    bool InstrCountsFromStart() const override;
    void DebugLine(std::string_view text) override;
    bool Executes(const MacroProgram& program) const override;
    bool GoesOn() const override;

    MacroVariableState& variable_state() { return variable_state_; }
    const MacroVariableState& variable_state() const { return variable_state_; }
    // At a chain's end or error: 0, or the error of data kept back for a file that could not be
    // written.
    int CloseFiles() { return files_.CloseAll(); }
    // The system error behind the last file error (error 21's detail), once.
    int TakeSystemError() {
        const int error = system_error_;
        system_error_ = 0;
        return error;
    }

  private:
    // macro_session_functions.cpp
    int ScreenFunction(int keyword, MacroValue* args, int count, MacroValue& out);
    int KeyFunction(MacroValue* args, int count);
    int TypeText(const std::string& text);
    // macro_system_functions.cpp
    int SystemFunction(int keyword, MacroValue* args, MacroValue& out);
    int FileFunction(int keyword, MacroValue* args, int count, MacroValue& out);
    int MessageBoxFunction(MacroValue* args, int count, MacroValue& out);
    int EditBoxFunction(MacroValue* args, int count, MacroValue& out);
    int ShellExecuteFunction(MacroValue* args, MacroValue& out);
    // SENDFILE, RECEIVEFILE and XFERADDSTG (macro_transfer_functions.cpp).
    int TransferFunction(int keyword, MacroValue* args, int count, MacroValue& out);
    int StartTransferTerm(bool upload, MacroValue* args, int count, MacroValue& out);
    int TransferResult(int32_t result, MacroValue& out);
    void TransferEnded(uint64_t wait, const TransferOutcome& outcome);

    Session& s_;
    MacroEnvironment& env_;
    MacroRunner& runner_;
    MacroVariableState variable_state_;
    MacroFiles files_;
    AliveToken alive_;
    int system_error_ = 0;
    std::string transfer_what_;  // names the running transfer in a failure report
};

}  // namespace orkan
