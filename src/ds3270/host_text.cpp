#include "ds3270/host_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "charset/translate.h"
#include "ds3270/messages.h"
#include "platform/file_io.h"
#include "session/session.h"

namespace orkan {

std::string HostTextPath(const Session& session, HostTextKind kind) {
    const bool macro = kind == HostTextKind::Macro;
    const std::string name = std::string("ork$") + session.letter + (macro ? "$exec.mac" : "$prnt.txt");
    const std::string& folder = macro ? session.folders.temp_macros : session.folders.app_data;
    if (folder.empty()) return name;
    return (std::filesystem::path(folder) / name).string();
}

FilePtr OpenTempFile(const std::string& path, bool append) {
    return FilePtr(
        OpenStreamForWriting(path, append ? WriteMode::Append : WriteMode::Replace, FileAccess::Private));
}

namespace {

int CreateExclusive(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
}

}  // namespace

FilePtr CreateHostMacroFile(const std::string& path, std::string& reason) {
    int fd = CreateExclusive(path);
    if (fd < 0 && errno == ENOENT) {
        std::error_code ec;
        const auto parent = std::filesystem::path(path).parent_path();
        if (!parent.empty()) std::filesystem::create_directories(parent, ec);
        fd = CreateExclusive(path);
    }
    if (fd < 0 && errno == EEXIST) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()) {
            // A session that ended before its host's macro ran left it; nobody else's file is there.
            if (::unlink(path.c_str()) == 0) fd = CreateExclusive(path);
        } else {
            reason = S_ISLNK(st.st_mode) ? "A link stands at its name; it was left alone."
                                         : "Something other than a file of yours stands at its name.";
            return nullptr;
        }
    }
    if (fd < 0) {
        reason = std::strerror(errno);
        return nullptr;
    }
    FilePtr f(::fdopen(fd, "wb"));
    if (!f) {
        reason = std::strerror(errno);
        ::close(fd);
        ::unlink(path.c_str());
    }
    return f;
}

bool IsHostMacroFileName(std::string_view name) {
    const size_t slash = name.rfind('/');
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    std::string lower(name);
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    std::string_view base = lower;
    if (base.size() > 4 && base.substr(base.size() - 4) == ".mac") base.remove_suffix(4);
    return base.size() == 10 && base.substr(0, 4) == "ork$" && base.substr(5) == "$exec";
}

std::string HostMacroFileNameRefusal(std::string_view name) {
    return "Macro file \"" + std::string(name) +
           "\" holds macro text a host sent; it is not started as a macro of yours.";
}

namespace {

// The host's line and page controls, which the screen's table shows as nothing: print text keeps
// its lines and pages, and macro text its lines. 0 for any other byte.
uint8_t TextControl(uint8_t host) {
    switch (host) {
        case 0x15:  // NL
        case 0x25:  // LF
            return '\n';
        case 0x0D:  // CR
            return '\r';
        case 0x0C:  // FF
            return '\f';
        case 0x05:  // HT
            return '\t';
        default:
            return 0;
    }
}

}  // namespace

void CollectHostText(Session& session, HostTextKind kind, std::span<const uint8_t> host_text) {
    DataStreamState& ds = session.ds;
    if (ds.host_text_dropping) return;
    if (!ds.host_text_file) {
        ds.host_text_kind = kind;
        ds.host_text_path = HostTextPath(session, kind);
        std::string reason;
        ds.host_text_file = kind == HostTextKind::Macro ? CreateHostMacroFile(ds.host_text_path, reason)
                                                        : OpenTempFile(ds.host_text_path, false);
        if (!ds.host_text_file) {
            ds.host_text_dropping = true;
            const char* text =
                kind == HostTextKind::Macro ? msg::kTempMacroOpenError : msg::kTempPrintOpenError;
            std::string message = FormatMessage(text, session.letter);
            if (!reason.empty()) message += "\n" + reason;
            ReportHostError(session, msg::kFileErrorTitle, message);
            return;
        }
    }
    std::vector<uint8_t> text(host_text.size());
    for (size_t i = 0; i < host_text.size(); ++i)
        text[i] = session.link.ascii_host == AsciiHost::Translate ? TextControl(host_text[i]) : 0;
    for (size_t i = 0; i < host_text.size(); ++i)
        if (text[i] == 0) text[i] = HostToDisplay(session.charset, session.link.ascii_host, host_text[i]);
    if (std::fwrite(text.data(), 1, text.size(), ds.host_text_file.get()) != text.size() ||
        std::fflush(ds.host_text_file.get()) != 0) {
        const int error = errno;
        ds.host_text_dropping = true;
        ReportHostError(
            session, msg::kFileErrorTitle,
            FormatMessage(msg::kTempFileWriteError, ds.host_text_path.c_str(), std::strerror(error)));
    }
}

void FinishHostText(Session& session) {
    DataStreamState& ds = session.ds;
    const bool had_file = ds.host_text_file != nullptr;
    const bool complete = had_file && !ds.host_text_dropping;
    ds.host_text_file.reset();
    ds.host_text_dropping = false;
    const HostTextKind kind = ds.host_text_kind;
    ds.host_text_kind = HostTextKind::None;
    if (kind == HostTextKind::Print && complete && session.hooks.print)
        session.hooks.print->PrintTextFile(ds.host_text_path);
    if (kind == HostTextKind::Macro) {
        if (complete && session.hooks.macros) session.hooks.macros->StartHostMacroFile(ds.host_text_path);
        // The runner keeps the text it read; the file is not left for anything else to run.
        if (had_file) ::unlink(ds.host_text_path.c_str());
    }
}

void DropHostText(Session& session) {
    DataStreamState& ds = session.ds;
    const bool macro_file = ds.host_text_file && ds.host_text_kind == HostTextKind::Macro;
    ds.host_text_file.reset();
    ds.host_text_dropping = false;
    ds.host_text_kind = HostTextKind::None;
    if (macro_file) ::unlink(ds.host_text_path.c_str());
}

}  // namespace orkan
