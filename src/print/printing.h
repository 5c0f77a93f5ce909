// Printing for one session: Print Screen (with the print dialog for Print Screen Ask), two-up
// sheets, text files, and what the host sends to the printer. Output goes to a PDF or text file
// named as the printer, or through `lp` to a CUPS queue; one page renderer serves both programs.
//
//     Printing printing(session, loop);   // registers itself as session.hooks.print
//     printing.RunOper(oper_fn::PrintScreen);
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "interfaces/ui.h"
#include "platform/event_loop.h"
#include "platform/scoped_timers.h"
#include "print/print_document.h"
#include "print/print_spool.h"
#include "print/print_state.h"
#include "print/printer_profile.h"
#include "print/printer_target.h"
#include "session/session_hooks.h"

namespace orkan {

struct Session;

namespace print_msg {
inline constexpr const char* kPrinterErrorTitle = "Printer Error";
inline constexpr const char* kPrinterNotFound = "Printer not found - %s";
inline constexpr const char* kFileOpenTitle = "File Open Error";
inline constexpr const char* kFileOpenError = "Error opening file %s for printing";
inline constexpr const char* kScreenDocument = "Orkan TN3270 Screen Print";
inline constexpr const char* kFileDocument = "Orkan TN3270 File Print";
}  // namespace print_msg

// The key the settings file names the printer of accumulated WCC prints with (index 1).
inline constexpr const char* kWccPrinterKey = "WCCPrinterName1";
// Larger text files are refused with a message rather than rendered into a huge job.
inline constexpr size_t kPrintFileLimit = size_t(64) << 20;

class Printing final : public PrintHook {
  public:
    Printing(Session& session, EventLoop& loop, PrintPrograms programs = {});
    ~Printing() override;
    Printing(const Printing&) = delete;
    Printing& operator=(const Printing&) = delete;

    // Oper 17 (Print Screen), 18 (Print Screen Ask) and 50 (Print File, asking for the file);
    // false for any other number.
    bool RunOper(uint8_t number);
    void PrintScreen(bool ask);
    // A text file of the user's (Print File with a name): UTF-8, or display bytes.
    void PrintFile(const std::string& path) override;

    // PrintHook: the host's WCC start-printer write, its print text, its accumulated screens.
    void PrintScreen() override { PrintScreen(false); }
    void PrintTextFile(const std::string& path) override;
    void CopyFileToPrinter(const std::string& path, const std::string& printer) override;
    void KeyFunction(uint16_t code) override;
    void HostWrite() override;

    // Once a second while a first two-up screen waits; the timer calls it (tests may too).
    void Tick();

    // The printer name in force (UTF-8): this run's choice, else the session's.
    std::string CurrentPrinter() const;
    // What printing keeps between key presses: this run's printer, the two-up sheet's first half,
    // the print status, the jobs per output file.
    PrintState& state() { return state_; }
    const PrintState& state() const { return state_; }
    size_t JobsRunning() const { return spool_.Running(); }

    // The sheet size when no dialog chose one (portrait points); the system's paper by default.
    void SetPaper(double width, double height);

  private:
    enum class ScreenJob : uint8_t { Normal, Ask, StoredAlone };
    struct Destination {
        OpenedPrinter printer;
        double paper_width = 0;
        double paper_height = 0;
        std::optional<bool> dialog_landscape;
        int copies = 1;
    };

    // Runs with the destination once the printer is open, or with none once its problem is told.
    using Opened = std::function<void(std::optional<Destination>)>;

    void RunScreenPrint(ScreenJob job);
    void PrintShot(ScreenJob job, const StoredPrintScreen& shot, bool nothing_since,
                   const Destination& destination);
    void RunTextPrint(const std::string& path, bool display_bytes, const std::string& printer);
    void CopyTextToPrinter(const std::string& text, const Destination& destination);
    [[nodiscard]] bool ChoosePrinter(bool ask, const char* document, std::string& name);
    // A printer that CUPS must be asked about opens once lpstat has answered, beside the loop;
    // files and invalid names at once. Opens wait for the ones before them, so jobs reach their
    // printers in the order they were asked for.
    void OpenNamed(const std::string& name, Opened then);
    void OpenNow(const std::string& name, const Opened& then);
    void NextOpen();
    Destination Opening(const std::string& name, OpenedPrinter printer) const;
    void Deliver(const PrintDocument& document, const Destination& destination, bool locked);
    int WriteTextOutput(const std::string& path, const std::string& text);
    std::string PdfOutputPath(const std::string& path);
    void Lock();
    // The session's status as it was before this print's own lock.
    SessionStatus StatusShown() const;
    void Unlock();
    void Problem(const char* title, const std::string& text);
    void StartTicking();
    void StopTicking();

    Session& session_;
    PrintState state_;
    ScopedTimers timers_;
    PrintSpool spool_;
    std::optional<PrintDialogAnswer> last_dialog_;
    std::deque<std::function<void()>> opens_;  // waiting behind a question to CUPS
    bool asking_ = false;
    double paper_width_ = 0;
    double paper_height_ = 0;
    bool ticking_ = false;
};

}  // namespace orkan
