#include "rexx/execio.h"

#include <cstdio>
#include <memory>

#include "config/data_file.h"
#include "config/file_name_text.h"
#include "platform/file_io.h"
#include "rexx/rexx_errors.h"
#include "rexx/rexx_text.h"

namespace orkan {

namespace {

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return out;
}

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Lines end at LF (a CR before it goes with it); a last line without LF counts; lines of any
// length are kept whole.
int ReadLinesIntoStem(const std::string& path, const std::string& stem, RexxVariables& vars) {
    File f(OpenUserFile(path, "rb"));
    if (!f) return rexx_error::ExecioCannotRead;
    if (!vars.Drop(stem)) return rexx_error::ExecioBadForm;
    long count = 0;
    std::string line;
    bool pending = false;
    char buffer[8192];
    size_t got;
    auto store = [&]() -> bool {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ++count;
        const bool ok = vars.Set(stem + std::to_string(count), line);
        line.clear();
        pending = false;
        return ok;
    };
    while ((got = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) {
        for (size_t i = 0; i < got; ++i) {
            if (buffer[i] == '\n') {
                if (!store()) return rexx_error::ExecioBadForm;
                continue;
            }
            line += buffer[i];
            pending = true;
        }
    }
    if (std::ferror(f.get())) return rexx_error::ExecioCannotRead;
    if (pending && !store()) return rexx_error::ExecioBadForm;
    return vars.Set(stem + "0", std::to_string(count)) ? 0 : rexx_error::ExecioBadForm;
}

// stem0 as a count of lines, nothing when it is not a whole number of at most 20 characters.
std::optional<long> StemCount(const std::string& stem, RexxVariables& vars) {
    const std::optional<std::string> text = vars.Fetch(stem + "0");
    if (!text || text->size() > 20) return std::nullopt;
    const ParsedInteger n = ParseRexxInteger(*text);
    if (n.kind != IntegerArgument::Value || n.value < 0) return std::nullopt;
    return long(n.value);
}

int WriteStemToFile(const std::string& path, const std::string& stem, RexxVariables& vars) {
    const std::optional<long> count = StemCount(stem, vars);
    if (!count) return rexx_error::ExecioBadCount;
    File f(OpenUserFile(path, "wb"));
    if (!f) return rexx_error::ExecioCannotWrite;
    for (long i = 1; i <= *count; ++i) {
        const std::string value = vars.Fetch(stem + std::to_string(i)).value_or(std::string());
        if (std::fwrite(value.data(), 1, value.size(), f.get()) != value.size())
            return rexx_error::ExecioCannotWrite;
        if (i < *count && std::fputc('\n', f.get()) == EOF) return rexx_error::ExecioCannotWrite;
    }
    if (std::fclose(f.release()) != 0) return rexx_error::ExecioCannotWrite;
    return 0;
}

int ClipboardIntoStem(const std::string& stem, RexxVariables& vars, const ExecioPlace& place) {
    if (!place.read_clipboard) return rexx_error::ExecioNotAvailable;
    const std::optional<std::string> text = place.read_clipboard();
    if (!text) return rexx_error::ExecioCannotRead;
    long count = 0;
    size_t start = 0;
    while (start < text->size()) {
        size_t end = text->find("\r\n", start);
        const size_t next = end == std::string::npos ? text->size() : end + 2;
        if (end == std::string::npos) end = text->size();
        if (!vars.Set(stem + std::to_string(++count), std::string_view(*text).substr(start, end - start)))
            return rexx_error::ExecioBadForm;
        start = next;
    }
    return vars.Set(stem + "0", std::to_string(count)) ? 0 : rexx_error::ExecioBadForm;
}

int StemToClipboard(const std::string& stem, RexxVariables& vars, const ExecioPlace& place) {
    if (!place.write_clipboard) return rexx_error::ExecioNotAvailable;
    const std::optional<long> count = StemCount(stem, vars);
    if (!count) return rexx_error::ExecioBadCount;
    std::string text;
    for (long i = 1; i <= *count; ++i) {
        text += vars.Fetch(stem + std::to_string(i)).value_or(std::string());
        text += "\r\n";
        if (text.size() > kClipboardBuffer) return rexx_error::ExecioClipboardFull;
    }
    place.write_clipboard(text);
    return 0;
}

}  // namespace

int RunExecio(std::string_view arguments, RexxVariables& vars, const ExecioPlace& place) {
    const CommandWords split = SplitCommandWords(arguments);
    const std::vector<std::string>& w = split.words;
    if (w.empty() || w[0] != "*") return rexx_error::ExecioNotStar;
    if (w.size() < 2) return rexx_error::ExecioBadOperation;
    const std::string operation = Upper(w[1]);
    const bool disk = operation == "DISKR" || operation == "DISKW";
    const bool clip = operation == "CLIPR" || operation == "CLIPW";
    if (!disk && !clip) return rexx_error::ExecioBadOperation;
    const size_t stem_word = disk ? 4 : 3;
    if (split.more || w.size() != stem_word + 1 || Upper(w[stem_word - 1]) != "(STEM" || w[stem_word].empty())
        return rexx_error::ExecioBadForm;
    const std::string& stem = w[stem_word];
    if (clip)
        return operation == "CLIPR" ? ClipboardIntoStem(stem, vars, place)
                                    : StemToClipboard(stem, vars, place);
    if (w[2].empty()) return rexx_error::ExecioBadForm;
    // The program's text is Windows-1252; the file system's names are UTF-8.
    const std::string path = DataFilePath(StoredNameToPath(w[2]), place.folder, "");
    return operation == "DISKR" ? ReadLinesIntoStem(path, stem, vars) : WriteStemToFile(path, stem, vars);
}

}  // namespace orkan
