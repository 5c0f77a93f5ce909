#include "print/print_rig.h"

#include <sys/stat.h>

#include <chrono>
#include <sstream>

#include "charset/translate.h"
#include "config/session_file.h"
#include "ds3270/addressing.h"
#include "ds3270/fields.h"
#include "ds3270/write_processor.h"
#include "print/child_process.h"
#include "support/iconv_tables.h"
#include "support/loopback.h"

namespace orkan::test {

namespace {

// lpstat knows the queues "office" (the default) and "slow" (slow to answer about too), and answers
// once lpstat.hold is gone and after the pause in lpstat.sleep; lp writes down what it was given
// (lp.log: every job's, after its process id, which tells the order the jobs were started in
// however their writes race) and ends with the status in lp.exit, after the pause in lp.sleep.
constexpr const char* kLpstat =
    "#!/bin/sh\n"
    "dir=$(dirname \"$0\")\n"
    "while [ -f \"$dir/lpstat.hold\" ]; do sleep 0.01; done\n"
    "[ -f \"$dir/lpstat.sleep\" ] && sleep \"$(cat \"$dir/lpstat.sleep\")\"\n"
    "case \"$1\" in\n"
    "  -p) [ \"$2\" = slow ] && sleep 0.3\n"
    "      case \"$2\" in office|slow) echo \"printer $2 is idle.\"; exit 0;; esac\n"
    "      echo \"lpstat: Invalid destination name in list \\\"$2\\\".\"; exit 1;;\n"
    "  -d) echo 'system default destination: office';;\n"
    "esac\n";
constexpr const char* kLp =
    "#!/bin/sh\n"
    "dir=$(dirname \"$0\")\n"
    "echo \"$@\" > \"$dir/lp.args\"\n"
    "echo \"$$ $@\" >> \"$dir/lp.log\"\n"
    "for last; do :; done\n"
    "cp \"$last\" \"$dir/lp.job\"\n"
    "[ -f \"$dir/lp.sleep\" ] && sleep \"$(cat \"$dir/lp.sleep\")\"\n"
    "echo 'lp: printer on fire' >&2\n"
    "exit $(cat \"$dir/lp.exit\" 2>/dev/null || echo 0)\n";

void WriteScript(const std::string& path, const char* text) {
    WriteText(path, text);
    chmod(path.c_str(), 0755);
}

}  // namespace

PrintRig::PrintRig() : session_ptr(std::make_unique<Session>(ui)) {
    Session& s = session();
    s.view = &view;
    s.charset = Cp037Tables();
    s.record.SetNumber(field::DefaultRows, 24);
    s.record.SetNumber(field::DefaultColumns, 80);
    s.status = SessionStatus::Connected;
    EraseScreen(s, 1);
    // The profiles a new session gets.
    const SessionRecord defaults = DefaultSessionRecord();
    std::copy_n(defaults.Bytes().begin() + field::PrinterProfiles.offset, field::PrinterProfiles.size,
                s.record.Bytes().begin() + field::PrinterProfiles.offset);
    (void)s.record.SetText(field::PrinterName, "<default>");
    s.folders.app_data = folder.path();
    s.settings.PrintTimeout = 3;
    WriteScript(folder / "lpstat", kLpstat);
    WriteScript(folder / "lp", kLp);
    PrintPrograms programs;
    programs.lp = folder / "lp";
    programs.lpstat = folder / "lpstat";
    programs.job_timeout = std::chrono::milliseconds(20000);
    printing = std::make_unique<Printing>(s, loop, programs);
    printing->SetPaper(595.28, 841.89);
    opers.printing = printing.get();
    s.hooks.oper = &opers;
}

void PrintRig::Show(const std::vector<Piece>& pieces, uint8_t wcc) {
    const Session& session = *session_ptr;
    std::vector<uint8_t> record = {0xF5, wcc};
    for (const Piece& p : pieces) {
        const EncodedAddress a = EncodeBufferAddress(session.ps, p.row * session.ps.columns + p.column);
        record.insert(record.end(), {0x11, a.b1, a.b2});
        // A 6-bit value's 3270 code is the low half of that buffer address.
        if (p.attribute)
            record.insert(record.end(), {0x1D, EncodeBufferAddress(session.ps, *p.attribute & 0x3F).b2});
        for (char c : p.text) record.push_back(DisplayToHost(session.charset, uint8_t(c)));
    }
    ProcessHostRecord(*session_ptr, record);
}

std::string PrintRig::Messages() {
    std::string out;
    for (const MessageBox& box : ui.shown) {
        if (!out.empty()) out += " | ";
        out += box.title + ": " + box.text;
    }
    ui.shown.clear();
    return out;
}

bool PrintRig::WaitForJobs() {
    return TurnUntil(loop, [&] { return printing->JobsRunning() == 0; });
}

bool HavePoppler() {
    return RunChild({"pdftotext", "-v"}, {}, std::chrono::seconds(20)).started;
}

std::string PdfText(const std::string& pdf) {
    const ChildResult r =
        RunChild({"pdftotext", "-layout", pdf, "-"}, {"LC_ALL=C"}, std::chrono::seconds(60));
    return r.Succeeded() ? r.output : std::string();
}

std::optional<GreyImage> RenderPage(const std::string& pdf, int page, int dpi) {
    const std::string prefix = pdf + ".page";
    const std::string n = std::to_string(page);
    if (!RunChild(
             {"pdftoppm", "-gray", "-r", std::to_string(dpi), "-f", n, "-l", n, "-singlefile", pdf, prefix},
             {}, std::chrono::seconds(60))
             .Succeeded())
        return std::nullopt;
    const std::string data = ReadText(prefix + ".pgm");
    std::istringstream in(data);
    std::string magic;
    GreyImage image;
    int max = 0;
    in >> magic >> image.width >> image.height >> max;
    in.get();
    if (magic != "P5" || max != 255 || image.width <= 0 || image.height <= 0) return std::nullopt;
    const size_t start = size_t(in.tellg());
    if (data.size() < start + size_t(image.width) * size_t(image.height)) return std::nullopt;
    image.pixels.assign(data.begin() + ptrdiff_t(start),
                        data.begin() + ptrdiff_t(start) + image.width * image.height);
    return image;
}

int GreyImage::Ink(double left, double top, double width_pt, double height_pt, int dpi) const {
    const double scale = dpi / 72.0;
    const int x0 = std::max(0, int(left * scale)), y0 = std::max(0, int(top * scale));
    const int x1 = std::min(width, int((left + width_pt) * scale)),
              y1 = std::min(height, int((top + height_pt) * scale));
    int ink = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) ink += pixels[size_t(y) * size_t(width) + size_t(x)] < 128;
    return ink;
}

}  // namespace orkan::test
