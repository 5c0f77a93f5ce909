// Full repaint of a 62 x 160 screen: the display model alone, and the model with the painting
// into an image, as the terminal widget does for a whole-window repaint.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "config/session_file.h"
#include "display/screen_model.h"
#include "gui/terminal_painter.h"
#include "interfaces/ui.h"
#include "keyboard/keyboard.h"
#include "session/session.h"

namespace orkan {
namespace {

class QuietUi : public Ui {
  public:
    Answer ShowMessage(const MessageBox& box) override { return SafestAnswer(box.buttons); }
};

constexpr uint32_t kRows = 62, kColumns = 160;

// A busy screen: a field every 16 columns, colours and highlights cycling, text everywhere.
void FillScreen(Session& s) {
    s.record = DefaultSessionRecord();
    PresentationSpace& ps = s.ps;
    ps.rows = kRows;
    ps.columns = kColumns;
    ps.positions = kRows * kColumns;
    ps.size_mode = 2;
    constexpr uint8_t kHighlights[] = {0, 0, hl::Underscore, 0, hl::Reverse, 0, 0, hl::Blink};
    for (uint32_t a = 0; a < ps.positions; ++a) {
        if (a % 16 == 0) {
            ps.planes.attribute[a] = uint8_t(fa::Present | ((a / 16) % 3 == 0 ? fa::Protected : 0));
            ps.planes.colour[a] = uint8_t(1 + (a / 16) % 7);
            ps.planes.highlight[a] = kHighlights[(a / 16) % 8];
            ps.planes.display[a] = ' ';
        } else {
            ps.planes.display[a] = uint8_t('A' + a % 26);
        }
    }
    ps.formatted = true;
    ps.cursor_address = 1000;
}

QGuiApplication& App() {
    static int argc = 1;
    static char name[] = "bench_render";
    static char* argv[] = {name, nullptr};
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
    return app;
}

void BM_ModelFullScreen(benchmark::State& state) {
    QuietUi ui;
    Session s(ui);
    FillScreen(s);
    const RenderOptions options = MakeRenderOptions(s, false, false);
    RowLook look;
    size_t runs = 0;
    for (auto _ : state) {
        FieldState field = FieldStateEntering(s.ps, 0);
        for (uint32_t r = 0; r < kRows; ++r) {
            ResolveRow(s.ps, r, field, options, look);
            runs += look.runs.size();
        }
        benchmark::DoNotOptimize(runs);
    }
    state.counters["runs/screen"] = double(runs) / double(state.iterations());
}
BENCHMARK(BM_ModelFullScreen)->Unit(benchmark::kMicrosecond);

void BM_PaintFullScreen(benchmark::State& state) {
    App();
    QuietUi ui;
    Session s(ui);
    Keyboard keyboard{s};
    FillScreen(s);
    const CellSize cell{int(state.range(0)), int(state.range(1))};
    const TerminalFonts fonts("IBM 3270", "IBM 3270", cell);
    QImage image(int(kColumns) * cell.width, int(kRows) * cell.height, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&image);
        TerminalPainter painter(s, fonts, QPoint(0, 0));
        painter.Paint(p, image.rect(), PaintFrame{});
    }
}
BENCHMARK(BM_PaintFullScreen)->Args({9, 16})->Args({12, 24})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orkan

BENCHMARK_MAIN();
