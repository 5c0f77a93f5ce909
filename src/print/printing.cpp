#include "print/printing.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "charset/display_unicode.h"
#include "config/atomic_file.h"
#include "config/environment.h"
#include "config/file_name_text.h"
#include "config/profile_file.h"
#include "config/settings_file.h"
#include "ds3270/messages.h"
#include "keyboard/key_functions.h"
#include "platform/file_io.h"
#include "print/paper_size.h"
#include "print/pdf_engine.h"
#include "print/screen_print.h"
#include "print/text_file_print.h"
#include "print/text_writer.h"
#include "session/session.h"
#include "session/window_title.h"

namespace orkan {

namespace {

constexpr int kTickTimer = 0;
constexpr auto kOneSecond = std::chrono::milliseconds(1000);

constexpr const char* kAskUnavailable =
    "Print Screen Ask needs the print dialog, which the program without a window does not have.\n"
    "Name the printer with --printer NAME (a CUPS queue, \"<default>\", or a file ending in .pdf or .txt) "
    "and use Print Screen.";
constexpr const char* kFileNameNeeded =
    "Print File needs the name of the file to print, and the program without a window has no file dialog.\n"
    "Give the name with the key function, for example key(\"PrintFile\", \"/home/me/report.txt\") in a REXX "
    "macro.";

// A UTF-8 name inside a message (display bytes); characters the code page lacks show as "?".
std::string ForMessage(const std::string& utf8) {
    if (auto stored = PathToStoredName(utf8)) return *stored;
    std::string out;
    for (char c : utf8) out += static_cast<unsigned char>(c) < 0x80 ? c : '?';
    return out;
}

enum class ReadOutcome { Ok, Failed, TooLarge };

// A FIFO or a device named as the file is refused at once: reading one would hold the loop.
ReadOutcome ReadPrintFile(const std::string& path, std::string& out, std::string& reason) {
    std::vector<uint8_t> bytes;
    int error = 0;
    const ReadResult result = ReadWholeFile(path, kPrintFileLimit, bytes, error);
    if (result == ReadResult::TooLarge) return ReadOutcome::TooLarge;
    if (result == ReadResult::Error) reason = "\n" + FileErrorText(error);
    if (result == ReadResult::Missing) reason = "\n" + FileErrorText(ENOENT);
    if (result != ReadResult::Ok) return ReadOutcome::Failed;
    out.assign(bytes.begin(), bytes.end());
    return ReadOutcome::Ok;
}

// 0 or an errno value.
int WriteWholeFile(const std::string& path, const std::string& data, bool append = false) {
    const int fd = OpenForWriting(path, append ? WriteMode::Append : WriteMode::Replace, FileAccess::Shared,
                                  MissingFolder::Fail);
    if (fd < 0) return errno;
    int error = WriteAllBytes(fd, std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
    if (::close(fd) != 0 && error == 0) error = errno;
    return error;
}

// A file of its own in the temporary folder for lp to read; empty on failure with `error` set.
std::string WriteTempFile(const std::string& data, const char* suffix, int& error) {
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
    if (ec) dir = "/tmp";
    std::string name = (dir / ("orkan-print-XXXXXX" + std::string(suffix))).string();
    const int fd = mkstemps(name.data(), int(std::strlen(suffix)));
    if (fd < 0) {
        error = errno;
        return {};
    }
    if ((error = WriteAllBytes(fd, std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()))) !=
        0) {
        close(fd);
        unlink(name.c_str());
        return {};
    }
    if (close(fd) != 0) {
        error = errno;
        unlink(name.c_str());
        return {};
    }
    return name;
}

std::string LastLine(const std::string& output) {
    std::string_view text(output);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    const size_t start = text.find_last_of('\n');
    return std::string(start == std::string_view::npos ? text : text.substr(start + 1));
}

ScreenImage ImageOf(const StoredPrintScreen& stored) {
    ScreenImage image{&stored.planes, stored.rows, stored.columns, std::nullopt};
    if (stored.selection.shown) image.selection = stored.selection;
    return image;
}

}  // namespace

Printing::Printing(Session& session, EventLoop& loop, PrintPrograms programs)
    : session_(session), timers_(loop), spool_(loop, std::move(programs)) {
    const PaperSize paper = SystemPaper(ProcessEnvironment());
    paper_width_ = paper.width;
    paper_height_ = paper.height;
    session_.hooks.print = this;
}

Printing::~Printing() {
    spool_.FinishJobsNow();
    if (session_.hooks.print == this) session_.hooks.print = nullptr;
}

void Printing::SetPaper(double width, double height) {
    paper_width_ = width;
    paper_height_ = height;
}

std::string Printing::CurrentPrinter() const {
    if (!state_.printer.empty()) return state_.printer;
    const std::string stored = StoredNameToPath(session_.record.Text(field::PrinterName));
    return stored.empty() ? std::string(kDefaultPrinter) : stored;
}

bool Printing::RunOper(uint8_t number) {
    switch (number) {
        case oper_fn::PrintScreen:
            PrintScreen(false);
            return true;
        case oper_fn::PrintScreenAsk:
            PrintScreen(true);
            return true;
        case oper_fn::PrintFile: {
            FileDialogRequest request;
            request.title = "Print File";
            request.folder = session_.folders.documents;
            request.filters = {{"Text files", {"*.txt", "*.lst", "*.prn"}}};
            if (const std::optional<std::string> path = session_.ui.AskFileName(request)) {
                PrintFile(*path);
            } else if (!session_.ui.CanAsk()) {
                Problem(print_msg::kPrinterErrorTitle, kFileNameNeeded);
            }
            return true;
        }
        default:
            return false;
    }
}

void Printing::PrintScreen(bool ask) {
    RunScreenPrint(ask ? ScreenJob::Ask : ScreenJob::Normal);
}

void Printing::PrintFile(const std::string& path) {
    RunTextPrint(path, false, CurrentPrinter());
}

void Printing::PrintTextFile(const std::string& path) {
    RunTextPrint(path, true, CurrentPrinter());
}

void Printing::KeyFunction(uint16_t code) {
    if (CategoryOf(code) == KeyCategory::Oper &&
        (NumberOf(code) == oper_fn::PrintScreen || NumberOf(code) == oper_fn::PrintScreenAsk))
        return;
    state_.pending = false;
}

void Printing::HostWrite() {
    state_.pending = false;
}

void Printing::Tick() {
    PrintState& st = state_;
    if (!st.stored) {
        StopTicking();
        return;
    }
    if (st.countdown > 0 && --st.countdown == 0 && st.status_text == "1of2") {
        StopTicking();
        st.pending = true;
        RunScreenPrint(ScreenJob::StoredAlone);
    }
}

void Printing::StartTicking() {
    if (state_.countdown <= 0) return;  // PrintTimeout 0: the first screen waits for the next Print Screen
    ticking_ = true;
    timers_.Start(kTickTimer, kOneSecond, false, [this] { Tick(); });
}

void Printing::StopTicking() {
    if (!ticking_) return;
    ticking_ = false;
    timers_.Stop(kTickTimer);
}

void Printing::Problem(const char* title, const std::string& text) {
    session_.ui.ShowMessage({title, text, Buttons::Ok, Icon::Error});
}

void Printing::Lock() {
    PrintState& st = state_;
    if (st.active_jobs++ > 0 || IsTransferStatus(session_.status)) return;
    st.status_before = session_.status;
    st.holds_lock = true;
    session_.status = SessionStatus::Locked;
    session_.view->RefreshStatusLine();
}

SessionStatus Printing::StatusShown() const {
    const bool own_lock = state_.holds_lock && session_.status == SessionStatus::Locked;
    return own_lock ? state_.status_before : session_.status;
}

void Printing::Unlock() {
    PrintState& st = state_;
    if (st.active_jobs > 0) --st.active_jobs;
    if (st.active_jobs > 0 || !st.holds_lock) return;
    st.holds_lock = false;
    // A host write during a slow print set a status of its own: that one stays.
    if (session_.status != SessionStatus::Locked) return;
    session_.status = st.status_before;
    session_.view->RefreshStatusLine();
    if (session_.status == SessionStatus::Unlocked && session_.hooks.type_ahead)
        session_.hooks.type_ahead->ReplayTypeAhead();
}

bool Printing::ChoosePrinter(bool ask, const char* document, std::string& name) {
    name = CurrentPrinter();
    if (!ask) return true;
    const std::optional<PrintDialogAnswer> answer = session_.ui.AskPrinter({name, document, false});
    if (!answer) {
        if (!session_.ui.CanAsk()) Problem(print_msg::kPrinterErrorTitle, kAskUnavailable);
        return false;
    }
    state_.printer = answer->printer;
    last_dialog_ = answer;
    name = answer->printer;
    return true;
}

void Printing::OpenNamed(const std::string& name, Opened then) {
    opens_.push_back([this, name, then = std::move(then)] { OpenNow(name, then); });
    NextOpen();
}

void Printing::NextOpen() {
    while (!asking_ && !opens_.empty()) {
        const std::function<void()> open = std::move(opens_.front());
        opens_.pop_front();
        open();
    }
}

void Printing::OpenNow(const std::string& name, const Opened& then) {
    const PrinterTarget target = ClassifyPrinter(name);
    auto finish = [this, name, then](OpenedPrinter printer) {
        if (!printer.ok) {
            std::string text = FormatMessage(print_msg::kPrinterNotFound, ForMessage(name).c_str());
            if (printer.note) text += "\n" + ForMessage(*printer.note);
            Problem(print_msg::kPrinterErrorTitle, text);
            then(std::nullopt);
            return;
        }
        then(Opening(name, std::move(printer)));
    };
    const std::vector<std::string> question = PrinterQuestion(target, spool_.programs());
    if (question.empty()) {
        finish(OpenPrinter(target, {}, spool_.programs()));
        return;
    }
    asking_ = true;
    spool_.Ask(question, [this, target, finish](const ChildResult& answer) {
        asking_ = false;
        finish(OpenPrinter(target, answer, spool_.programs()));
        NextOpen();
    });
}

Printing::Destination Printing::Opening(const std::string& name, OpenedPrinter printer) const {
    Destination out;
    out.printer = std::move(printer);
    out.paper_width = paper_width_;
    out.paper_height = paper_height_;
    if (last_dialog_ && last_dialog_->printer == name) {
        if (last_dialog_->paper_width > 0 && last_dialog_->paper_height > 0) {
            out.paper_width = last_dialog_->paper_width;
            out.paper_height = last_dialog_->paper_height;
        }
        out.dialog_landscape = last_dialog_->landscape;
        out.copies = std::max(1, last_dialog_->copies);
    }
    return out;
}

namespace {

bool Landscape(const PrinterProfile& profile, const std::optional<bool>& dialog_landscape) {
    if (profile.orientation == ProfileOrientation::Landscape) return true;
    if (profile.orientation == ProfileOrientation::Portrait) return false;
    return dialog_landscape.value_or(false);
}

SheetSize SheetFor(double width, double height, bool landscape) {
    return landscape ? SheetSize{height, width} : SheetSize{width, height};
}

}  // namespace

void Printing::RunScreenPrint(ScreenJob job) {
    Session& s = session_;
    if (job == ScreenJob::StoredAlone && !state_.stored) return;
    Lock();
    std::string name;
    if (!ChoosePrinter(job == ScreenJob::Ask, print_msg::kScreenDocument, name)) {
        Unlock();
        return;
    }
    // The screen the key printed, and whether anything happened since a two-up first half: CUPS
    // may take a moment to answer, and host data that comes meanwhile is not part of this print.
    auto shot = std::make_shared<StoredPrintScreen>();
    shot->planes = s.ps.planes;
    shot->rows = s.ps.rows;
    shot->columns = s.ps.columns;
    shot->selection = s.selection;
    const bool nothing_since = state_.pending;
    OpenNamed(name, [this, job, shot, nothing_since](std::optional<Destination> destination) {
        if (destination)
            PrintShot(job, *shot, nothing_since, *destination);
        else
            Unlock();
    });
}

void Printing::PrintShot(ScreenJob job, const StoredPrintScreen& shot, bool nothing_since,
                         const Destination& destination) {
    Session& s = session_;
    PrintState& st = state_;
    const bool stored_alone = job == ScreenJob::StoredAlone;
    // A dialog or the printer's look-up let host data in: the screen kept for a two-up sheet may
    // be gone.
    if (stored_alone && !st.stored) {
        Unlock();
        return;
    }
    const StoredPrintScreen& subject = stored_alone ? *st.stored : shot;
    const int index = ScreenProfileIndex(s, subject.rows, subject.columns);
    const PrinterProfile profile = ReadPrinterProfile(s.record, index);
    const bool landscape = Landscape(profile, destination.dialog_landscape);
    // Said once the sheets are laid out: a message box lets events in, and nothing may change
    // under the layout.
    const CheckedEdges edges = CheckEdges(profile, index, LayoutFor(landscape, profile.two_up));
    auto report_edges = [&] {
        if (edges.problem) Problem(print_msg::kPrinterErrorTitle, *edges.problem);
    };

    ScreenSheetSetup setup;
    setup.sheet = SheetFor(destination.paper_width, destination.paper_height, landscape);
    setup.landscape = landscape;
    setup.two_up = profile.two_up;
    setup.edges = edges.edges;
    setup.mode = PrintMode(std::min<uint32_t>(s.record.Number(field::PrintMode), 2));
    const std::string user_text = s.record.Text(field::UserName);
    if (!user_text.empty())
        for (char c : ExpandSessionText(user_text, s, StatusShown()))
            setup.header.push_back(DisplayCell(uint8_t(c), false));

    PrintDocument document;
    document.title = print_msg::kScreenDocument;
    document.page_width = setup.sheet.width;
    document.page_height = setup.sheet.height;
    document.face = profile.face;

    const ScreenImage current = ImageOf(shot);
    auto drop_stored = [&] {
        st.stored.reset();
        st.pending = false;
        st.countdown = 0;
        StopTicking();
    };

    if (stored_alone) {
        const ScreenImage images[] = {ImageOf(*st.stored)};
        document.sheets.push_back(LayoutScreenSheet(setup, images));
        drop_stored();
        st.status_text.clear();  // a timed-out print leaves no status behind
    } else if (profile.two_up) {
        if (!st.stored) {
            st.stored = std::make_unique<StoredPrintScreen>(shot);
            st.status_text = "1of2";
            st.countdown = s.settings.PrintTimeout;
            st.pending = true;
            StartTicking();
            report_edges();
            Unlock();
            return;
        }
        if (!nothing_since) {
            const ScreenImage images[] = {ImageOf(*st.stored), current};
            document.sheets.push_back(LayoutScreenSheet(setup, images));
            st.status_text = "2of2";
        } else {
            const ScreenImage images[] = {ImageOf(*st.stored)};
            document.sheets.push_back(LayoutScreenSheet(setup, images));
            st.status_text = "1of1";
        }
        drop_stored();
    } else {
        if (st.stored) {
            const ScreenImage images[] = {ImageOf(*st.stored)};
            document.sheets.push_back(LayoutScreenSheet(setup, images));
            drop_stored();
        }
        const ScreenImage images[] = {current};
        document.sheets.push_back(LayoutScreenSheet(setup, images));
        st.status_text = "1of1";
    }
    report_edges();
    Deliver(document, destination, true);
}

void Printing::RunTextPrint(const std::string& path, bool display_bytes, const std::string& printer) {
    std::string bytes, reason;
    switch (ReadPrintFile(path, bytes, reason)) {
        case ReadOutcome::Ok:
            break;
        case ReadOutcome::Failed:
            Problem(print_msg::kFileOpenTitle,
                    FormatMessage(print_msg::kFileOpenError, ForMessage(path).c_str()) + reason);
            return;
        case ReadOutcome::TooLarge:
            Problem(print_msg::kFileOpenTitle, "The file " + ForMessage(path) + " is larger than " +
                                                   std::to_string(kPrintFileLimit >> 20) +
                                                   " MB and was not printed.");
            return;
    }
    const PrinterProfile profile = ReadPrinterProfile(session_.record, kTextFileProfile);
    Lock();
    auto text = std::make_shared<std::string>(std::move(bytes));
    OpenNamed(printer, [this, text, display_bytes, profile](std::optional<Destination> destination) {
        if (!destination) {
            Unlock();
            return;
        }
        const bool landscape = Landscape(profile, destination->dialog_landscape);
        const CheckedEdges edges =
            CheckEdges(profile, kTextFileProfile, LayoutFor(landscape, profile.two_up));
        if (edges.problem) Problem(print_msg::kPrinterErrorTitle, *edges.problem);

        TextPageSetup setup;
        setup.sheet = SheetFor(destination->paper_width, destination->paper_height, landscape);
        setup.landscape = landscape;
        setup.two_up = profile.two_up;
        setup.edges = edges.edges;
        PrintDocument document;
        document.title = print_msg::kFileDocument;
        document.page_width = setup.sheet.width;
        document.page_height = setup.sheet.height;
        document.face = profile.face;
        document.sheets = LayoutTextFile(
            ParseTextFile(*text, display_bytes ? TextEncoding::Display : TextEncoding::Utf8OrDisplay), setup);
        Deliver(document, *destination, true);
    });
}

void Printing::CopyFileToPrinter(const std::string& path, const std::string& printer) {
    std::string name = printer;
    if (name.empty() && !session_.folders.settings_file.empty()) {
        const ProfileLoad settings = LoadProfile(session_.folders.settings_file);
        name = StoredNameToPath(settings.text.GetString(kSettingsSection, kWccPrinterKey, ""));
    }
    if (name.empty()) name = CurrentPrinter();
    const PrinterTarget target = ClassifyPrinter(name);
    // PDF output lays the text out as a text file print does.
    if (target.kind == PrinterKind::PdfFile) {
        RunTextPrint(path, true, name);
        return;
    }
    std::string bytes, reason;
    switch (ReadPrintFile(path, bytes, reason)) {
        case ReadOutcome::Ok:
            break;
        case ReadOutcome::Failed:
        case ReadOutcome::TooLarge:
            Problem(print_msg::kFileOpenTitle,
                    FormatMessage(print_msg::kFileOpenError, ForMessage(path).c_str()) + reason);
            return;
    }
    // Text for people: the display bytes as UTF-8, which is what CUPS takes plain text as.
    auto text = std::make_shared<std::string>(DisplayToUtf8(bytes));
    OpenNamed(name, [this, text](std::optional<Destination> destination) {
        if (destination) CopyTextToPrinter(*text, *destination);
    });
}

void Printing::CopyTextToPrinter(const std::string& text, const Destination& destination) {
    if (destination.printer.target.kind == PrinterKind::TextFile) {
        if (const int error = WriteTextOutput(destination.printer.target.name, text); error != 0)
            Problem(print_msg::kPrinterErrorTitle, "The print file " +
                                                       ForMessage(destination.printer.target.name) +
                                                       " could not be written:\n" + FileErrorText(error));
        return;
    }
    int error = 0;
    const std::string temp = WriteTempFile(text, ".txt", error);
    if (temp.empty()) {
        Problem(print_msg::kPrinterErrorTitle,
                std::string("The print job could not be prepared:\n") + std::strerror(error));
        return;
    }
    const std::string queue = destination.printer.target.name;
    spool_.Submit({queue, temp, print_msg::kFileDocument, 1, true}, [this, queue](const ChildResult& r) {
        if (!r.Succeeded())
            Problem(print_msg::kPrinterErrorTitle, "Printing to " + ForMessage(queue) +
                                                       " failed: " + spool_.programs().lp + " ended with " +
                                                       r.Describe() + ".\n" + ForMessage(LastLine(r.output)));
    });
}

int Printing::WriteTextOutput(const std::string& path, const std::string& text) {
    const bool later = ++state_.file_jobs[path] > 1;
    return WriteWholeFile(path, later ? "\f" + text : text, later);
}

std::string Printing::PdfOutputPath(const std::string& path) {
    const int job = ++state_.file_jobs[path];
    if (job == 1) return path;
    const size_t dot = path.size() - 4;  // the name ends in ".pdf"
    return path.substr(0, dot) + "-" + std::to_string(job) + path.substr(dot);
}

void Printing::Deliver(const PrintDocument& document, const Destination& destination, bool locked) {
    const PrinterTarget& target = destination.printer.target;
    auto done = [this, locked] {
        if (locked) Unlock();
    };
    if (target.kind == PrinterKind::TextFile) {
        if (const int error = WriteTextOutput(target.name, RenderText(document)); error != 0)
            Problem(print_msg::kPrinterErrorTitle, "The print file " + ForMessage(target.name) +
                                                       " could not be written:\n" + FileErrorText(error));
        done();
        return;
    }
    std::string error_text;
    std::string pdf;
    const PdfEngine* engine = LoadPdfEngine(error_text);
    std::optional<PrintFaces> faces;
    if (engine) faces = FindPrintFaces(*engine, DisplayToUtf8(document.face), &error_text);
    if (!faces || !engine->render_pdf(document, *faces, pdf, error_text)) {
        Problem(print_msg::kPrinterErrorTitle, "The print could not be made:\n" + ForMessage(error_text));
        done();
        return;
    }
    if (target.kind == PrinterKind::PdfFile) {
        const std::string path = PdfOutputPath(target.name);
        if (const int error = WriteWholeFile(path, pdf); error != 0)
            Problem(print_msg::kPrinterErrorTitle,
                    "The print file " + ForMessage(path) + " could not be written:\n" + FileErrorText(error));
        done();
        return;
    }
    int error = 0;
    const std::string temp = WriteTempFile(pdf, ".pdf", error);
    if (temp.empty()) {
        Problem(print_msg::kPrinterErrorTitle,
                std::string("The print job could not be prepared:\n") + std::strerror(error));
        done();
        return;
    }
    const std::string queue = target.name;
    spool_.Submit({queue, temp, document.title, destination.copies, true},
                  [this, queue, done](const ChildResult& r) {
                      if (!r.Succeeded())
                          Problem(print_msg::kPrinterErrorTitle,
                                  "Printing to " + ForMessage(queue) + " failed: " + spool_.programs().lp +
                                      " ended with " + r.Describe() + ".\n" + ForMessage(LastLine(r.output)));
                      done();
                  });
}

}  // namespace orkan
