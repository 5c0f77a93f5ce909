// The ten file handles of OPEN, GET, PUT, CLOSE and EOF, including the "CLIPBOARD" pseudo-file.
// All handles are closed when a macro ends, fails or is stopped.
#pragma once

#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "scripting/macro_value.h"

namespace orkan {

class Ui;
class MacroEnvironment;

struct MacroFileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};

inline constexpr int kMacroFileHandles = 10;
// Clipboard output collects at most this much (the program's copy buffer limit).
inline constexpr size_t kClipboardOutputLimit = 64 * 1024;

class MacroFiles {
  public:
    // Files are opened through the environment, which asks the acting macro's permissions.
    MacroFiles(Ui& ui, MacroEnvironment& environment) : ui_(ui), env_(environment) {}
    ~MacroFiles() { (void)CloseAll(); }

    enum class Mode : uint8_t { Input, Output, Append };
    // The handle, or -1 when `quiet` and the file cannot be opened; otherwise an error number in
    // `error` (19, 21 with `system_error`).
    int Open(const std::string& path, bool clipboard, Mode mode, bool quiet, int& error);
    // 0 and the line, or an error number (24, 58, 22, 25).
    [[nodiscard]] int Get(int32_t handle, std::string& line);
    // 0 or an error number (24, 59, 22, 23, 57, 60).
    [[nodiscard]] int Put(int32_t handle, std::string_view text, bool line_end);
    // 0 or an error number (24; 57 when data kept back could not be written).
    [[nodiscard]] int Close(int32_t handle);
    bool AtEof(int32_t handle) const;
    // 0, or 57 when a handle's last data could not be written.
    [[nodiscard]] int CloseAll();

    int system_error = 0;  // errno of the last failed open

  private:
    enum class State : uint8_t { Free, Input, Output, AtEnd };
    struct Handle {
        State state = State::Free;
        bool clipboard = false;
        std::unique_ptr<std::FILE, MacroFileCloser> file;
        std::string clip;  // clipboard text (display bytes, CR LF) to read or collected
        size_t clip_pos = 0;
    };
    [[nodiscard]] int Flush(Handle& h);

    Ui& ui_;
    MacroEnvironment& env_;
    std::array<Handle, kMacroFileHandles> handles_;
};

}  // namespace orkan
