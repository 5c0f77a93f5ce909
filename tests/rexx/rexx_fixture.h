// A session assembled as both programs assemble it, on a poll loop without a host, with the
// shipped key functions, the interpreter's debug lines kept and macro files in the scratch
// folder's macros/.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "keyboard/key_list.h"
#include "support/running_session.h"

namespace orkan::test {

struct DebugUi : RecordingUi {
    void AddDebugLine(std::string_view text) override { lines.emplace_back(text); }
    std::vector<std::string> lines;
};

struct RexxFixture : RunningSession<DebugUi> {
    RexxFixture() {
        Plain();
        Session& s = session();
        s.folders.macros = folder / "macros";
        s.folders.program_data = std::string(ORKAN_SOURCE_DIR) + "/data";
        std::filesystem::create_directories(s.folders.macros);
        Folders built;  // the key.lst the build makes
        built.program_data = std::string(ORKAN_BINARY_DIR) + "/share/orkan3270";
        EXPECT_TRUE(LoadKeyList(built, s.keyboard->key_list, ui));
    }
    ~RexxFixture() { rexx().StopAll(); }
    MacroDispatcher& dispatcher() { return runtime.core().Macros().Dispatcher(); }
    RexxMacros& rexx() { return runtime.core().Macros().Rexx(); }
    // The debug lines, one a line.
    std::string Lines() const {
        std::string all;
        for (const std::string& l : ui.lines) all += l + "\n";
        return all;
    }

    std::optional<MacroOutcome> outcome;
};

}  // namespace orkan::test
