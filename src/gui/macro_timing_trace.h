// Time stamps on stderr for tests that measure how fast the desktop program reacts to macros: the
// moment the Pause key arrives and every paint of the status line with the macro letter the
// session shows then. On only when the environment variable ORKAN_MACRO_TRACE is set.
//
//     orkan3270: trace 1712345678901234567 key Pause
//     orkan3270: trace 1712345678912345678 status letter P
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
};

}  // namespace orkan
