// The command line comes from shortcuts and scripts: any text, and any argv (the input split at
// NUL bytes), must parse or be refused, and its values must go into the record only when they fit.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "config/session_file.h"
#include "harness.h"

namespace {
void Apply(const orkan::CommandLine& cl, orkan::Ui& ui) {
    orkan::SessionRecord record = orkan::DefaultSessionRecord();
    orkan::GivenOnCommandLine given;
    orkan::HostSecurity security;
    (void)orkan::ApplyCommandLineToRecord(cl, record, given, security, ui);
    (void)orkan::SetSessionNameFromCommandLine(cl, record, ui);
    (void)orkan::RequestedSessionLetter(cl, ui);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    orkan::fuzz::QuietUi ui;
    orkan::CommandLine cl;
    if (orkan::ParseCommandLine(text, cl, ui) == 0) Apply(cl, ui);

    std::vector<std::string> args = {"orkan3270"};
    size_t start = 0;
    for (size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1)
        args.push_back(text.substr(start, end - start));
    args.push_back(text.substr(start));
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    orkan::CommandLine from_argv;
    if (orkan::ParseCommandLine(int(argv.size()), argv.data(), from_argv, ui) == 0) Apply(from_argv, ui);
    // A link names a host and port, never anything an option could be read from.
    for (const std::string& a : args) {
        const std::optional<std::string> host = orkan::HostOfLink(a);
        if (host && host->find_first_of("/ \t%@?#") != std::string::npos) __builtin_trap();
    }
    return 0;
}
