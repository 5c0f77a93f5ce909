#include "session/session_charset.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_io.h"

namespace orkan {
namespace {

constexpr size_t kProblemsShown = 10;

enum class ReadOutcome { Read, Missing, Failed };

std::string JoinPath(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/') path.push_back('/');
    path.append(name);
    return path;
}

ReadOutcome ReadWhole(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    // Only a regular file, checked without waiting on a FIFO.
    const int fd = OpenRegularFile(path, O_RDONLY);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return ReadOutcome::Missing;
        error = errno == EINVAL || errno == EISDIR ? "not a regular file" : std::strerror(errno);
        return ReadOutcome::Failed;
    }
    bytes.clear();
    uint8_t buffer[16384];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = std::strerror(errno);
            ::close(fd);
            return ReadOutcome::Failed;
        }
        if (n == 0) break;
        bytes.insert(bytes.end(), buffer, buffer + n);
        if (bytes.size() > kMaxCountryFileSize) {
            error =
                "it is larger than " + std::to_string(kMaxCountryFileSize) + " bytes, so not a country list";
            ::close(fd);
            return ReadOutcome::Failed;
        }
    }
    ::close(fd);
    return ReadOutcome::Read;
}

void ShowProblems(Ui& ui, const std::string& path, const std::vector<CountryListProblem>& problems) {
    if (problems.empty()) return;
    std::string text = "Some entries of \"" + path + "\" were refused or are incomplete:";
    for (size_t i = 0; i < problems.size() && i < kProblemsShown; ++i)
        text += "\nline " + std::to_string(problems[i].line) + ": " + problems[i].text;
    if (problems.size() > kProblemsShown)
        text += "\n(and " + std::to_string(problems.size() - kProblemsShown) + " more)";
    ui.ShowMessage({"Orkan TN3270 File Error", text, Buttons::Ok, Icon::Warning});
}

std::vector<CountryListProblem> Parse(Session& session, const CountryFile& file, CountryListMode mode,
                                      CountryLists* lists) {
    return ParseCountryList(file.bytes, mode, SessionSelections(session.record), session.charset, lists)
        .problems;
}

}  // namespace

std::optional<CountryFile> ReadCountryFile(const Folders& folders, Ui& ui) {
    for (const std::string* folder : {&folders.app_data, &folders.program_data}) {
        if (folder->empty()) continue;
        CountryFile file{JoinPath(*folder, kCountryFileName), {}};
        std::string error;
        switch (ReadWhole(file.path, file.bytes, error)) {
            case ReadOutcome::Read:
                return file;
            case ReadOutcome::Missing:
                continue;
            case ReadOutcome::Failed:
                ui.ShowMessage({"Orkan TN3270 File Error",
                                "File \"" + file.path + "\" could not be read: " + error + ".", Buttons::Ok,
                                Icon::Error});
                return std::nullopt;
        }
    }
    ui.ShowMessage({"Orkan TN3270 - file not found",
                    "File \"country.lst\" was not found.\nYou may need to re-install Orkan.", Buttons::Ok,
                    Icon::Warning});
    return std::nullopt;
}

CountrySelections SessionSelections(const SessionRecord& record) {
    return {record.Text(field::ScreenCodePage), record.Text(field::KeyboardCodePage),
            record.Text(field::PcCodePage)};
}

bool LoadCountryList(Session& session, CountryListMode mode, CountryLists* lists) {
    std::optional<CountryFile> file = ReadCountryFile(session.folders, session.ui);
    if (!file) return false;
    ShowProblems(session.ui, file->path, Parse(session, *file, mode, lists));
    return true;
}

bool RebuildCharset(Session& session) {
    std::optional<CountryFile> file = ReadCountryFile(session.folders, session.ui);
    if (!file) return false;
    std::vector<CountryListProblem> problems = Parse(session, *file, CountryListMode::CodePage, nullptr);
    for (CountryListProblem& p : Parse(session, *file, CountryListMode::Keyboard, nullptr))
        problems.push_back(std::move(p));
    ShowProblems(session.ui, file->path, problems);
    return true;
}

}  // namespace orkan
