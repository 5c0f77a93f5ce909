// The REXX bridge's parsers of outside text: a macro file's first line, integer arguments, the
// words of a subcommand, and EXECIO's reading of clipboard text into a stem (files are left out:
// the fuzzer must not write where its input points).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "rexx/execio.h"
#include "rexx/rexx_text.h"

namespace {

struct MapVariables : orkan::RexxVariables {
    bool Set(std::string_view name, std::string_view value) override {
        values[std::string(name)] = std::string(value);
        return true;
    }
    std::optional<std::string> Fetch(std::string_view name) override {
        auto it = values.find(std::string(name));
        return it == values.end() ? std::string(name) : it->second;
    }
    bool Drop(std::string_view) override { return true; }
    std::map<std::string, std::string> values;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)orkan::IsRexxSource(text);
    (void)orkan::ParseRexxInteger(text);
    const orkan::CommandWords words = orkan::SplitCommandWords(text);
    if (words.words.size() > orkan::kMaxCommandWords) std::abort();
    size_t total = 0;
    for (const std::string& w : words.words) total += w.size();
    if (total > size) std::abort();

    MapVariables vars;
    orkan::ExecioPlace place;
    place.read_clipboard = [&]() -> std::optional<std::string> { return std::string(text); };
    std::string written;
    place.write_clipboard = [&](const std::string& t) { written = t; };
    if (orkan::RunExecio("* CLIPR (STEM C.", vars, place) != 0) std::abort();
    if (orkan::RunExecio("* CLIPW (STEM C.", vars, place) != 0 && size < orkan::kClipboardBuffer)
        std::abort();
    // Lines read and written again give the text back, with a final line end.
    if (size < orkan::kClipboardBuffer && !text.empty() && written != text &&
        written != std::string(text) + "\r\n")
        std::abort();
    // Words as a command: only the clipboard operations reach EXECIO here.
    if (words.words.size() >= 2 && (words.words[1] == "CLIPR" || words.words[1] == "CLIPW"))
        (void)orkan::RunExecio(text, vars, place);
    return 0;
}
