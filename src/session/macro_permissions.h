// What a running macro may reach, and which macro acts on the session right now.
//
// A macro carries its permissions; the macro runners name the acting macro around each statement
// (own language) or each piece of work a REXX task has done on the event loop. The places where a
// capability is used (files, programs, transfers, options, settings, the clipboard, program
// operations, macro starts, other sessions) ask the session's gate; no macro acting means the
// user's or the data stream's own work, which the gate does not limit.
//
//     ActingMacro acting(session.macro_gate, program.permissions);
//     ... run the statement ...
//     if (acting.Refused()) error = 70;
//
//     // at the capability:
//     if (!session.macro_gate.Permit(Capability::Files)) return kRefused;
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace orkan {

class TraceSink;

enum class Capability : uint8_t {
    ReadScreen,         // the screen and the system variables of the screen and the connection
    Keys,               // Action, Edit and Char key functions, typing and the cursor, in its own session
    Wait,               // waiting for the host or for time
    Messages,           // message boxes and the macro debug window
    Files,              // any file, in any mode
    Programs,           // starting programs
    Transfer,           // file transfers and the transfer's host list
    Options,            // session and program options by name, read or set
    Settings,           // the user's variables in the settings file
    Clipboard,          // the desktop's clipboard, read or written
    ProgramOperations,  // the Oper key functions
    StartMacros,        // any macro start: RUN, EXECUTE, macro keys
    OtherSessions,      // other sessions' windows and macros
    Sounds,             // tones and sound files
    AskUser,            // input dialogs
};
inline constexpr size_t kCapabilityCount = 15;

// For error texts and the trace.
std::string_view CapabilityName(Capability c);

// The allow-list of a macro a host sent: everything else is refused to it, a capability added
// later included.
inline constexpr std::array<Capability, 4> kHostMacroGrants = {Capability::ReadScreen, Capability::Keys,
                                                               Capability::Wait, Capability::Messages};

class MacroPermissions {
  public:
    constexpr MacroPermissions() = default;  // nothing
    static constexpr MacroPermissions Full() { return MacroPermissions((1u << kCapabilityCount) - 1); }
    static constexpr MacroPermissions HostMacro() {
        uint32_t granted = 0;
        for (Capability c : kHostMacroGrants) granted |= Bit(c);
        return MacroPermissions(granted);
    }
    constexpr bool Allows(Capability c) const { return (granted_ & Bit(c)) != 0; }
    constexpr bool IsFull() const { return *this == Full(); }
    // A macro started by another is no freer than its starter.
    constexpr MacroPermissions Within(MacroPermissions other) const {
        return MacroPermissions(granted_ & other.granted_);
    }
    friend constexpr bool operator==(MacroPermissions, MacroPermissions) = default;

  private:
    constexpr explicit MacroPermissions(uint32_t granted) : granted_(granted) {}
    static constexpr uint32_t Bit(Capability c) { return 1u << unsigned(c); }
    uint32_t granted_ = 0;
};

class MacroGate {
  public:
    explicit MacroGate(TraceSink& trace) : trace_(trace) {}
    MacroGate(const MacroGate&) = delete;
    MacroGate& operator=(const MacroGate&) = delete;

    // True when no macro acts or the acting one may use `c`. A refusal is kept for the acting
    // macro's error and written to the trace.
    [[nodiscard]] bool Permit(Capability c) const;
    // The first capability refused to the acting macro.
    std::optional<Capability> Refused() const { return refused_; }
    bool MacroActing() const { return acting_.has_value(); }

    // A host macro runs with the user's full power (AllowHostMacros=1): said in the trace and on
    // standard error, once per session.
    void NoteHostMacroAtFullPower();

  private:
    friend class ActingMacro;
    friend class NoMacroActing;
    TraceSink& trace_;
    std::optional<MacroPermissions> acting_;
    mutable std::optional<Capability> refused_;
    bool full_power_noted_ = false;
};

// Names the acting macro for its lifetime; the one acting before comes back after it.
class ActingMacro {
  public:
    ActingMacro(MacroGate& gate, MacroPermissions permissions);
    ~ActingMacro();
    ActingMacro(const ActingMacro&) = delete;
    ActingMacro& operator=(const ActingMacro&) = delete;
    std::optional<Capability> Refused() const { return gate_.refused_; }

  private:
    MacroGate& gate_;
    std::optional<MacroPermissions> outer_;
    std::optional<Capability> outer_refused_;
};

// While a macro's dialog is open the event loop may run the user's and the host's work, which is
// not the macro's.
class NoMacroActing {
  public:
    explicit NoMacroActing(MacroGate& gate);
    ~NoMacroActing();
    NoMacroActing(const NoMacroActing&) = delete;
    NoMacroActing& operator=(const NoMacroActing&) = delete;

  private:
    MacroGate& gate_;
    std::optional<MacroPermissions> outer_;
    std::optional<Capability> outer_refused_;
};

}  // namespace orkan
