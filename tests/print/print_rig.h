// What the printing tests share: a session with the default printer profiles, screens written
// through the data stream, stand-ins for lp and lpstat, and readers for what printing produced.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/temp_folder.h"
#include "keyboard/keyboard.h"
#include "platform/poll_event_loop.h"
#include "print/printing.h"
#include "session/session.h"
#include "support/recording_ui.h"

namespace orkan::test {

// One field or text run of a test screen: at row/column (0-based), an optional field attribute
// (the 6-bit value: 0x20 protected, 0x08 intensified, 0x0C non-display), then text.
struct Piece {
    uint32_t row = 0;
    uint32_t column = 0;
    std::optional<uint8_t> attribute;
    std::string text;
};

// A Ui whose print dialog answers as the test says.
class PrintUi : public RecordingUi {
  public:
    std::optional<PrintDialogAnswer> AskPrinter(const PrintDialogRequest& request) override {
        asked.push_back(request.printer);
        return dialog_answer;
    }
    bool CanAsk() const override { return can_ask; }
    bool can_ask = false;
    std::optional<PrintDialogAnswer> dialog_answer;  // none: cancelled
    std::vector<std::string> asked;
};

// The Oper dispatch a session core gives printing, for key functions run through the keyboard.
struct PrintOperRoute : OperHook {
    bool RunOper(uint8_t number) override { return printing && printing->RunOper(number); }
    Printing* printing = nullptr;
};

struct PrintRig {
    PrintRig();
    // The host writes the pieces with an Erase/Write (keyboard restore, unless the WCC says otherwise).
    void Show(const std::vector<Piece>& pieces, uint8_t wcc = 0xC3);
    Session& session() { return *session_ptr; }
    std::string Messages();  // titles and texts since the last call, " | " between them
    // lp's arguments and the file it was handed, once the job has ended.
    bool WaitForJobs();
    std::string LpArguments() const { return ReadText(folder / "lp.args"); }
    std::string LpFile() const { return ReadText(folder / "lp.job"); }

    TempFolder folder;
    PrintUi ui;
    View view;
    std::unique_ptr<Session> session_ptr;
    Keyboard keyboard{*session_ptr};  // Print Screen runs as a key
    PollEventLoop loop;
    std::unique_ptr<Printing> printing;
    PrintOperRoute opers;
};

bool HavePoppler();

// pdftotext -layout of a PDF file.
std::string PdfText(const std::string& pdf);

// A rendered page: 8-bit grey, 0 black.
struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
    // Dark pixels inside the rectangle given in points (the image is rendered at `dpi`).
    int Ink(double left, double top, double width_pt, double height_pt, int dpi) const;
};
std::optional<GreyImage> RenderPage(const std::string& pdf, int page, int dpi);

}  // namespace orkan::test
