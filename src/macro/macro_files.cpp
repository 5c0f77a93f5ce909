#include "macro/macro_files.h"

#include <cerrno>

#include "charset/display_unicode.h"
#include "interfaces/ui.h"
#include "macro/macro_environment.h"
#include "scripting/macro_errors.h"

namespace orkan {

namespace {

constexpr size_t kMaxGetLine = kMacroTextMax;  // longer lines are an error, never cut

}  // namespace

int MacroFiles::Open(const std::string& path, bool clipboard, Mode mode, bool quiet, int& error) {
    error = 0;
    int slot = -1;
    for (int i = 0; i < kMacroFileHandles; ++i)
        if (handles_[size_t(i)].state == State::Free) {
            slot = i;
            break;
        }
    if (slot < 0) {
        error = macro_error::NoFreeHandle;
        return 0;
    }
    Handle& h = handles_[size_t(slot)];
    h = Handle{};
    h.clipboard = clipboard;
    if (clipboard) {
        if (mode == Mode::Input) {
            DisplayText text = Utf8ToDisplay(ui_.ClipboardText());
            h.clip = std::move(text.text);
        }
        h.state = mode == Mode::Input ? State::Input : State::Output;
        return slot;
    }
    const char* how = mode == Mode::Input ? "rb" : mode == Mode::Output ? "wb" : "ab";
    h.file.reset(env_.OpenFile(path, how));
    if (!h.file) {
        system_error = errno;
        if (quiet) return -1;
        error = macro_error::OpenFailed;
        return 0;
    }
    h.state = mode == Mode::Input ? State::Input : State::Output;
    return slot;
}

int MacroFiles::Get(int32_t handle, std::string& line) {
    if (handle < 0 || handle >= kMacroFileHandles) return macro_error::BadHandle;
    Handle& h = handles_[size_t(handle)];
    if (h.state == State::Output) return macro_error::GetOnOutput;
    if (h.state == State::Free) return macro_error::FileNotOpen;
    if (h.state == State::AtEnd) return macro_error::EndOfFile;
    line.clear();
    if (h.clipboard) {
        const size_t end = h.clip.find("\r\n", h.clip_pos);
        const size_t stop = end == std::string::npos ? h.clip.size() : end;
        line.assign(h.clip, h.clip_pos, stop - h.clip_pos);
        h.clip_pos = end == std::string::npos ? h.clip.size() : end + 2;
        if (h.clip_pos >= h.clip.size()) h.state = State::AtEnd;
        return line.size() > kMaxGetLine ? macro_error::TextTooLong : 0;
    }
    std::FILE* f = h.file.get();
    for (int c = std::fgetc(f); c != EOF && c != '\n'; c = std::fgetc(f)) {
        line += char(c);
        if (line.size() > kMaxGetLine + 1) break;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // The end is noticed with the last line, so EOF() turns true as soon as nothing is left.
    const int next = std::fgetc(f);
    if (next == EOF) {
        h.state = State::AtEnd;
        h.file.reset();
    } else {
        std::ungetc(next, f);
    }
    return line.size() > kMaxGetLine ? macro_error::TextTooLong : 0;
}

int MacroFiles::Put(int32_t handle, std::string_view text, bool line_end) {
    if (handle < 0 || handle >= kMacroFileHandles) return macro_error::BadHandle;
    Handle& h = handles_[size_t(handle)];
    if (h.state == State::Input || h.state == State::AtEnd) return macro_error::PutOnInput;
    if (h.state == State::Free) return macro_error::FileNotOpen;
    if (text.size() > kMacroTextMax) return macro_error::RecordTooLong;
    if (h.clipboard) {
        if (h.clip.size() + text.size() + 2 > kClipboardOutputLimit) return macro_error::ClipboardFull;
        h.clip += text;
        if (line_end) h.clip += "\r\n";
        return 0;
    }
    std::FILE* f = h.file.get();
    if (std::fwrite(text.data(), 1, text.size(), f) != text.size() ||
        (line_end && std::fputs("\r\n", f) == EOF) || std::fflush(f) != 0)
        return macro_error::WriteFailed;
    return 0;
}

int MacroFiles::Flush(Handle& h) {
    int result = 0;
    if (h.clipboard && h.state == State::Output) ui_.SetClipboardText(DisplayToUtf8(h.clip));
    if (h.file && h.state == State::Output && std::fclose(h.file.release()) != 0)
        result = macro_error::WriteFailed;
    h = Handle{};
    return result;
}

int MacroFiles::Close(int32_t handle) {
    if (handle < 0 || handle >= kMacroFileHandles) return macro_error::BadHandle;
    return Flush(handles_[size_t(handle)]);
}

bool MacroFiles::AtEof(int32_t handle) const {
    if (handle < 0 || handle >= kMacroFileHandles) return true;
    const State s = handles_[size_t(handle)].state;
    return s == State::Free || s == State::AtEnd;
}

int MacroFiles::CloseAll() {
    int result = 0;
    for (Handle& h : handles_)
        if (h.state != State::Free)
            if (int e = Flush(h)) result = e;
    return result;
}

}  // namespace orkan
