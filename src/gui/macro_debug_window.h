// The session's macro debug window: a list of lines (macro DEBUG output, statement tracing, REXX
// output) in a top-level window titled "%c - Debug Window", placed where the session file says and
// keeping its place there when the user moves it.
#pragma once

#include <QWidget>
#include <string_view>

#include "platform/ui.h"

class QListWidget;

namespace orkan {

struct Session;

class MacroDebugWindow : public QWidget {
public:
    explicit MacroDebugWindow(Session& session);

    // A line added: the window is shown and the new line selected.
    void AddLine(std::string_view display_text);
    void Apply(DebugWindowAction action);

    QListWidget* List() const { return list_; }

    // The list keeps this many lines; older ones go, and the first line says so.
    static constexpr int kMaxLines = 20000;

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowWindow();
    void RememberPlace();

    Session& session_;
    QListWidget* list_;
    bool placed_ = false;
    bool trimmed_ = false;
};

}  // namespace orkan
