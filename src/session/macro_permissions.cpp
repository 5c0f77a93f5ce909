#include "session/macro_permissions.h"

#include <cstdio>
#include <span>
#include <string>

#include "interfaces/trace.h"

namespace orkan {

namespace {

constexpr std::array<std::string_view, kCapabilityCount> kNames = {
    "reading the screen",
    "keys",
    "waiting",
    "messages",
    "files",
    "programs",
    "file transfer",
    "options",
    "settings",
    "the clipboard",
    "program operations",
    "starting macros",
    "other sessions",
    "sounds",
    "input dialogs",
};

void TraceNote(TraceSink& trace, const std::string& text) {
    trace.TraceRecord(TraceType::Error,
                      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

}  // namespace

std::string_view CapabilityName(Capability c) {
    return kNames[size_t(c)];
}

bool MacroGate::Permit(Capability c) const {
    if (!acting_ || acting_->Allows(c)) return true;
    if (!refused_) {
        refused_ = c;
        TraceNote(trace_, "A macro the host sent was refused " + std::string(CapabilityName(c)) + ".");
    }
    return false;
}

void MacroGate::NoteHostMacroAtFullPower() {
    if (full_power_noted_) return;
    full_power_noted_ = true;
    static constexpr const char* kText =
        "AllowHostMacros=1: macros the host sends run with your full power (files, programs, settings).";
    TraceNote(trace_, kText);
    std::fprintf(stderr, "orkan3270: %s\n", kText);
    std::fflush(stderr);
}

ActingMacro::ActingMacro(MacroGate& gate, MacroPermissions permissions)
    : gate_(gate), outer_(gate.acting_), outer_refused_(gate.refused_) {
    gate_.acting_ = permissions;
    gate_.refused_.reset();
}

ActingMacro::~ActingMacro() {
    gate_.acting_ = outer_;
    gate_.refused_ = outer_refused_;
}

NoMacroActing::NoMacroActing(MacroGate& gate)
    : gate_(gate), outer_(gate.acting_), outer_refused_(gate.refused_) {
    gate_.acting_.reset();
}

NoMacroActing::~NoMacroActing() {
    gate_.acting_ = outer_;
    gate_.refused_ = outer_refused_;
}

}  // namespace orkan
