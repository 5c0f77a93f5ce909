#include "ds3270/host_text.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "session/session.h"
#include "charset/translate.h"
#include "ds3270/messages.h"
#include "platform/file_io.h"

namespace orkan {

std::string HostTextPath(const Session& session, HostTextKind kind) {
    const bool macro = kind == HostTextKind::Macro;
    const std::string name = std::string("ork$") + session.letter + (macro ? "$exec.mac" : "$prnt.txt");
    const std::string& folder = macro ? session.folders.temp_macros : session.folders.app_data;
    if (folder.empty()) return name;
    return (std::filesystem::path(folder) / name).string();
}

FilePtr OpenTempFile(const std::string& path, bool append) {
    return FilePtr(OpenStreamForWriting(path, append ? WriteMode::Append : WriteMode::Replace, FileAccess::Private));
}

void CollectHostText(Session& session, HostTextKind kind, std::span<const uint8_t> host_text) {
    DataStreamState& ds = session.ds;
    if (ds.host_text_dropping) return;
    if (!ds.host_text_file) {
        ds.host_text_kind = kind;
        ds.host_text_path = HostTextPath(session, kind);
        ds.host_text_file = OpenTempFile(ds.host_text_path, false);
        if (!ds.host_text_file) {
            ds.host_text_dropping = true;
            const char* text =
                kind == HostTextKind::Macro ? msg::kTempMacroOpenError : msg::kTempPrintOpenError;
            ReportHostError(session, msg::kFileErrorTitle, FormatMessage(text, session.letter));
            return;
        }
    }
    std::vector<uint8_t> text(host_text.size());
    for (size_t i = 0; i < host_text.size(); ++i)
        text[i] = HostToDisplay(session.charset, session.link.ascii_host, host_text[i]);
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
    if (!complete) return;
    if (kind == HostTextKind::Print && session.hooks.print)
        session.hooks.print->PrintTextFile(ds.host_text_path);
    if (kind == HostTextKind::Macro && session.hooks.macros)
        session.hooks.macros->StartHostMacroFile(ds.host_text_path);
}

}  // namespace orkan
