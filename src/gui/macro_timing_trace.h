// Time stamps on stderr for tests that measure how fast the desktop program reacts to macros: the
// moment the Pause key arrives, every paint of the status line with the macro letter the session
// has then (blinking: drawn or not by the phase), and the first event handled after the letter
// went away (while it blinks dark, its going needs no paint). On only when the environment
// variable ORKAN_MACRO_TRACE is set.
//
//     orkan3270: trace 1712345678901234567 key Pause
//     orkan3270: trace 1712345678912345678 status letter P
//     orkan3270: trace 1712345678923456789 macro letter gone
//
// Times are nanoseconds of the system clock, comparable with `date +%s%N`.
#pragma once

#include <QObject>

class QWidget;

namespace orkan {

struct Session;

class MacroTimingTrace : public QObject {
  public:
    MacroTimingTrace(const Session& session, QWidget& status_line);
    ~MacroTimingTrace() override;

    static bool Wanted();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    const Session& session_;
    QWidget& status_line_;
    char letter_ = 0;
};

}  // namespace orkan
