// Instrumentation for tests and benchmarks of the desktop program, made only when one of its
// environment variables asks for it, so the production classes carry none of it:
//   ORKAN_FIRST_PAINT_NS  print "ORKAN_FIRST_PAINT_NS=<CLOCK_REALTIME ns>" on stderr once the first
//                         host screen has been painted (bench/desktop_startup.sh);
//   ORKAN_SCREENSHOT      a PNG of the window after every screen that unlocks the keyboard;
//   ORKAN_SCREEN_TEXT     the text of that screen, written whole and renamed into place;
//   ORKAN_LAYOUT_REPORT   with each screenshot, where the window, its screen's work area, the
//                         terminal's cells, the status line, the menu titles, the tool bar and
//                         the tool bar's and a shown keypad's buttons are (one "name x y w h" per
//                         line); again when the keypad window is shown;
//   ORKAN_DIALOG_SHOTS    a folder that receives, for every dialog, message box and other window
//                         beside the session's own shown, a PNG of
//                         it and a text with its place, its buttons', inputs' and tabs' places on
//                         the screen and a serial number; both again when a part of it is shown
//                         (another page); and "menu TITLE" in menus.txt for each menu that opens;
//   ORKAN_PAINT_TIMES     a file that receives, for every paint of the terminal, "paint US CELLS"
//                         (how long it took, how many cells it covered) and, for every key pressed
//                         before it, "key US" (from the key's arrival to the end of that paint)
//                         (bench/desktop_latency.sh).
// It stands between the session and its View, passing everything on.
#pragma once

#include <QObject>
#include <QString>
#include <cstdio>
#include <memory>
#include <vector>

#include "session/session_hooks.h"

class QWidget;

namespace orkan {

struct Session;
class TerminalFrame;

class DesktopProbe final : public QObject, public View {
  public:
    // Null when none of the variables is set.
    static std::unique_ptr<DesktopProbe> FromEnvironment(Session& session, QWidget& window,
                                                         TerminalFrame& frame);
    ~DesktopProbe() override;

    void RepaintAll() override;
    void ScreenSizeChanged() override { inner_->ScreenSizeChanged(); }
    void RepaintChangedRows() override;
    void CursorMoved() override { inner_->CursorMoved(); }
    void RefreshStatusLine() override { inner_->RefreshStatusLine(); }
    void PlaySound(Sound sound) override { inner_->PlaySound(sound); }
    void ShowWindowOnUpdate() override { inner_->ShowWindowOnUpdate(); }
    void KeyboardUnlocked() override;

    bool eventFilter(QObject* watched, QEvent* event) override;
    void SaveScreenshot(const QString& path);
    void SaveLayoutReport(const QString& path);

  private:
    DesktopProbe(Session& session, QWidget& window, TerminalFrame& frame);
    void ScreenChanged();
    void SaveDialog(QWidget* dialog);
    // Paints the terminal now, inside the filter, to time it; false when it is not timed.
    bool TimedPaint(QEvent* event);

    Session& session_;
    QWidget& window_;
    TerminalFrame& frame_;
    QWidget& terminal_;
    View* inner_;
    bool report_first_paint_ = false;
    bool screen_pending_ = false;
    bool first_paint_reported_ = false;
    QString screenshot_path_;
    QString screen_text_path_;
    QString layout_path_;
    QString dialog_folder_;
    int dialog_serial_ = 0;
    std::FILE* paint_times_ = nullptr;
    std::vector<int64_t> keys_waiting_;  // arrival times of keys not painted yet
};

}  // namespace orkan
