// The requests that reach beyond the screen: file transfer, printing, saving the screen, the
// trace, macros and options.
#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>
#include <cerrno>
#include <filesystem>

#include "api/api_session.h"
#include "api/screen_facts.h"
#include "api/screenshot.h"
#include "app/session_runtime.h"
#include "capture/screen_text.h"
#include "charset/display_unicode.h"
#include "config/atomic_file.h"
#include "options/options_by_name.h"
#include "platform/file_io.h"
#include "print/printer_target.h"
#include "scripting/macro_errors.h"
#include "session/session.h"
#include "transfer/transfer_request.h"

namespace orkan {

namespace {

// 0 or an errno value. As every saved screen: never through a link, only into a regular file (a
// FIFO would hold every session request until something read it). A replaced file goes through a
// temporary file, so no reader sees half of it.
int WriteOut(const std::string& path, std::string_view data, bool append) {
    if (!append) {
        if (const int link = RefuseSymbolicLink(path)) return link;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
            return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return ReplaceFileContents(path,
                                   std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
    }
    const int fd = OpenForWriting(path, WriteMode::Append, FileAccess::Shared, MissingFolder::Fail);
    if (fd < 0) return errno;
    struct stat before {};
    const bool sized = ::fstat(fd, &before) == 0;
    int error = WriteAllBytes(fd, std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
    // A failed append leaves the file as it was, not with part of a screen at its end.
    if (error != 0 && sized) (void)::ftruncate(fd, before.st_size);
    if (::close(fd) != 0 && error == 0) error = errno;
    return error;
}

std::string Base64(std::string_view bytes) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t n = uint32_t(uint8_t(bytes[i])) << 16 |
                           (i + 1 < bytes.size() ? uint32_t(uint8_t(bytes[i + 1])) << 8 : 0) |
                           (i + 2 < bytes.size() ? uint32_t(uint8_t(bytes[i + 2])) : 0);
        out += kAlphabet[n >> 18];
        out += kAlphabet[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(n >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kAlphabet[n & 63] : '=';
    }
    return out;
}

// The system's texts have no full stop; the file module's own refusals have one.
std::string Sentence(std::string text) {
    if (text.empty() || text.back() != '.') text += '.';
    return text;
}

// Where a relative name went (the program's folder is the documents folder), for the answer.
std::string Absolute(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.string();
}

std::optional<struct timespec> ModifiedAt(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return st.st_mtim;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// File transfer.

void ApiSession::OnTransfer() {
    Session& s = session();
    const Json& p = current_->request.params;
    const bool upload = *StringParam(p, "direction") == "send";
    orkan::TransferRequest r =
        LoadRequest(s.record, upload ? TransferDirection::Upload : TransferDirection::Download);
    const std::optional<std::string> host_file = DisplayParam("host_file", true);
    if (!host_file) return;
    const std::optional<std::string> extra = DisplayParam("options", true);
    if (!extra) return;
    r.host_file = *host_file;
    r.pc_file = *StringParam(p, "pc_file");
    r.macro_extra = *extra;
    if (r.host_file.find('*') != std::string::npos || r.pc_file.find('*') != std::string::npos)
        return Fail(ErrorCode::BadRequest,
                    "A transfer request names one file on each side; \"*\" is not taken.");
    if (auto system = StringParam(p, "system"))
        r.host_system = *system == "cms"    ? HostSystem::Cms
                        : *system == "cics" ? HostSystem::Cics
                                            : HostSystem::Tso;
    SetTextMode(r, StringParam(p, "mode").value_or("text") == "text");
    r.append = BoolParam(p, "append").value_or(false);
    r.from_macro = true;
    if (FullPcPath(s, r).size() > kMaximumPathLength)
        return Fail(ErrorCode::BadRequest,
                    "The PC file's path is longer than " + std::to_string(kMaximumPathLength) + " bytes.");
    if (!SessionConnected(s)) return Fail(ErrorCode::NotConnected, "A transfer needs a connected session.");
    WhenKeyboardOpen([this, r] {
        const uint64_t generation = current_->generation;
        const uint64_t shown = ui_.Shown();
        transfer_event_ms_ = -1;
        const TransferStart started =
            runtime_.core().Transfer().Start(r, [this, generation](const TransferOutcome& o) {
                if (!IsCurrent(generation)) return;
                const std::string& message = o.message;  // UTF-8 already, as transfer.log has it
                if (o.success) return Answer(Json{{"bytes", o.bytes}, {"message", message}});
                Fail(ErrorCode::TransferFailed, message, Json{{"bytes", o.bytes}});
            });
        if (!IsCurrent(generation)) return;
        if (!started.started) {
            const std::string why = started.error.empty() ? LastMessageSince(shown) : started.error;
            return Fail(ErrorCode::TransferFailed, why, Json{{"bytes", 0}});
        }
        // The transfer watches the host itself and ends with a time-out of its own; this one only
        // keeps the request from outliving a transfer client that never reports.
        WaitFor([] {}, kMaxTimeoutMs,
                [this](bool) {
                    Fail(ErrorCode::TransferFailed, "The transfer never ended.", Json{{"bytes", 0}});
                });
        // The host is told and ends the transfer; the request then fails with the cancel.
        if (current_) current_->cancel = [this] { runtime_.core().Transfer().Cancel(); };
    });
}

// ---------------------------------------------------------------------------------------------
// Printing and saving.

void ApiSession::OnPrint() {
    const std::string path = PrinterNameForRun(*StringParam(current_->request.params, "path"));
    const PrinterTarget target = ClassifyPrinter(path);
    if (target.kind != PrinterKind::PdfFile && target.kind != PrinterKind::TextFile)
        return Fail(ErrorCode::BadRequest, "\"path\" must end in .pdf or .txt.");
    const std::optional<struct timespec> before = ModifiedAt(target.name);
    const uint64_t shown = ui_.Shown();
    Printing& printing = runtime_.core().Print();
    const std::string printer = printing.state().printer;
    printing.state().printer = path;
    // The request names the file to write: no earlier job of this run turns it into a numbered one.
    printing.state().file_jobs.erase(target.name);
    printing.PrintScreen(false);
    printing.state().printer = printer;
    const std::optional<struct timespec> after = ModifiedAt(target.name);
    const bool written =
        after && (!before || before->tv_sec != after->tv_sec || before->tv_nsec != after->tv_nsec);
    if (ui_.Shown() > shown || !written) {
        const std::string why = LastMessageSince(shown);
        return Fail(ErrorCode::PrintFailed,
                    why.empty()
                        ? "Nothing was printed to " + target.name +
                              ": the session's printer profile may hold the screen for a two-up sheet."
                        : why);
    }
    Answer(Json{{"path", Absolute(target.name)}});
}

void ApiSession::OnSave() {
    Session& s = session();
    const Json& p = current_->request.params;
    const std::string format = *StringParam(p, "format");
    const std::optional<std::string> path = StringParam(p, "path");
    const bool append = BoolParam(p, "append").value_or(false);
    std::string data;
    if (format == "png") {
        if (append) return Fail(ErrorCode::BadRequest, "A PNG cannot be appended to.");
        std::string error;
        const ScreenshotResult shot = DrawScreenshot(s, data, error);
        if (shot != ScreenshotResult::Ok)
            return Fail(shot == ScreenshotResult::NoEngine ? ErrorCode::NotAvailable : ErrorCode::SaveFailed,
                        error);
    } else if (format == "html") {
        data = ScreenAsHtml(s, false);
        if (!path || !append || !ModifiedAt(*path)) data = std::string(kHtmlCharsetLine) + data;
    } else {
        data = ScreenAsText(s);
    }
    if (!path) return Answer(Json{{"data", format == "png" ? Base64(data) : data}});
    // As print and an append do: a mistyped folder is an error, never a new tree of folders.
    std::filesystem::path folder = std::filesystem::path(*path).parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        return Fail(ErrorCode::SaveFailed,
                    *path + " cannot be written: the folder " + folder.string() + " does not exist.");
    if (const int error = WriteOut(*path, data, append); error != 0)
        return Fail(ErrorCode::SaveFailed, *path + " cannot be written: " + Sentence(FileErrorText(error)));
    Answer(Json{{"path", Absolute(*path)}});
}

void ApiSession::OnTrace() {
    SessionTrace& trace = runtime_.core().Capture().trace();
    const bool on = *BoolParam(current_->request.params, "on");
    const uint64_t shown = ui_.Shown();
    if (on && !trace.Active() && !trace.StartTrace())
        return Fail(ErrorCode::TraceFailed, LastMessageSince(shown));
    if (!on) trace.StopTrace();
    Answer(Json{{"on", trace.Active()}, {"path", trace.Path()}});
}

// ---------------------------------------------------------------------------------------------
// Macros and options.

// A REXX macro's error is the interpreter's (its number negated): its report came as debug lines,
// the statement's trace ("  2 +++ x = f()") and "Error 43 running ..., line 2: ..." lines.
std::string ApiSession::RexxReport(uint64_t debug_mark, int error) const {
    std::string report;
    for (const std::string& line : ui_.DebugLinesSince(debug_mark)) {
        const size_t start = line.find_first_not_of(' ');
        if (start == std::string::npos) continue;
        const std::string_view text = std::string_view(line).substr(start);
        if (!text.starts_with("Error ") && text.find(" +++ ") == std::string_view::npos) continue;
        if (!report.empty()) report += '\n';
        report += DisplayToUtf8(text);
    }
    if (report.empty())
        report = "REXX error " + std::to_string(error) + " (the interpreter's report is on stderr).";
    return report;
}

void ApiSession::OnMacro() {
    const Json& p = current_->request.params;
    const std::optional<std::string> file = StringParam(p, "file");
    if (file.has_value() == p.contains("text"))
        return Fail(ErrorCode::BadRequest, "\"macro\" needs either \"file\" or \"text\".");
    const std::optional<std::string> text = file ? std::nullopt : DisplayParam("text", false);
    if (!file && !text) return;
    const uint64_t generation = current_->generation;
    const uint64_t shown = ui_.Shown();
    const uint64_t debug_mark = ui_.DebugLines();
    auto timed_out = std::make_shared<bool>(false);
    MacroDone done = [this, generation, shown, debug_mark, timed_out](const MacroOutcome& outcome) {
        if (!IsCurrent(generation)) return;
        const Json numbers{{"exit_code", outcome.exit_code}, {"error_number", outcome.error}};
        if (*timed_out)
            return Fail(ErrorCode::Timeout, "The macro was stopped when its time was up.", numbers);
        switch (outcome.end) {
            case MacroOutcome::End::Finished:
                return Answer(Json{{"end", "finished"}, {"exit_code", outcome.exit_code}});
            case MacroOutcome::End::Error: {
                std::string report = LastMessageSince(shown);
                if (report.empty() && outcome.error < 0) report = RexxReport(debug_mark, -outcome.error);
                return Fail(ErrorCode::MacroError,
                            report.empty() ? std::string(MacroErrorText(outcome.error)) : report, numbers);
            }
            case MacroOutcome::End::Stopped:
                return Fail(ErrorCode::MacroStopped, "The macro was stopped.", numbers);
            case MacroOutcome::End::LoadFailed:
                return Fail(ErrorCode::MacroLoadFailed, LastMessageSince(shown), numbers);
        }
    };
    current_->step = [] {};
    current_->cancel = [this] { runtime_.core().Macros().Dispatcher().Stop(); };
    if (const auto timeout = IntParam(p, "timeout_ms")) {
        timers_.Start(kStepTimer, std::chrono::milliseconds(*timeout), true, [this, generation, timed_out] {
            if (!IsCurrent(generation)) return;
            *timed_out = true;
            runtime_.core().Macros().Dispatcher().Stop();
            if (IsCurrent(generation))
                Fail(ErrorCode::Timeout, "The macro was stopped when its time was up.");
        });
    }
    MacroDispatcher& macros = runtime_.core().Macros().Dispatcher();
    [[maybe_unused]] const bool started = file ? macros.StartFile(*file, MacroOrigin::User, done)
                                               : macros.StartText(*text, MacroOrigin::User, done);
}

void ApiSession::OnOption(bool set) {
    Session& s = session();
    const Json& p = current_->request.params;
    const std::optional<std::string> section = DisplayParam("section", true);
    if (!section) return;
    const std::optional<std::string> name = DisplayParam("name", true);
    if (!name) return;
    if (set) {
        MacroValue value;
        const Json& v = p["value"];
        if (v.is_string()) {
            const std::optional<std::string> text = DisplayParam("value", false);
            if (!text) return;
            value = MacroValue::Text(*text);
        } else {
            const int64_t n = *AsInteger(v);
            if (n < INT32_MIN || n > INT32_MAX)
                return Fail(ErrorCode::BadRequest, "\"value\" is beyond 32 bits.");
            value = MacroValue::Number(int32_t(n));
        }
        if (const int error = SetOptionByName(s, *section, *name, value); error != 0)
            return Fail(ErrorCode::OptionError, std::string(MacroErrorText(error)),
                        Json{{"error_number", error}});
    }
    MacroValue out;
    if (const int error = GetOptionByName(s, *section, *name, out); error != 0)
        return Fail(ErrorCode::OptionError, std::string(MacroErrorText(error)),
                    Json{{"error_number", error}});
    Answer(Json{{"value", out.IsText() ? Json(DisplayToUtf8(out.text)) : Json(out.number)}});
}

}  // namespace orkan
