// The session's macro debug window: a list of lines (macro DEBUG output, statement tracing, REXX
// output) in a top-level window titled "%c - Debug Window", placed where the session file says and
// keeping its place there when the user moves it. Lines are added to the list together once the
// loop turns, so a macro tracing every statement is not slowed to the speed of the list.
#pragma once

#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <string_view>

#include "interfaces/ui.h"

class QListWidget;

namespace orkan {

struct Session;

class MacroDebugWindow : public QWidget {
  public:
    // The list keeps `max_lines` lines; older ones go, and the first line says so.
    static constexpr int kMaxLines = 20000;
    explicit MacroDebugWindow(Session& session, int max_lines = kMaxLines);

    // A line added: the window is shown, and the new line is selected once the lines are in.
    void AddLine(std::string_view display_text);
    void Apply(DebugWindowAction action);
    // Puts the lines added so far into the list now.
    void Flush();

    QListWidget* List() const { return list_; }

  protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void ShowWindow();
    void RememberPlace();
    void Empty();

    Session& session_;
    const int max_lines_;
    QListWidget* list_;
    QStringList pending_;
    QTimer flush_timer_;
    bool placed_ = false;
    bool trimmed_ = false;     // lines went
    bool note_shown_ = false;  // and the first line says so
};

}  // namespace orkan
