#include "gui/accessibility.h"

#include <QAccessibleWidget>

#include "gui/accessible_screen.h"
#include "gui/status_line_widget.h"
#include "gui/terminal_widget.h"

namespace orkan {

namespace {

class TerminalAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit TerminalAccessible(TerminalWidget* terminal)
        : QAccessibleWidget(terminal, QAccessible::Terminal) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Description && widget()->accessibleDescription().isEmpty())
            return Screen().Description();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }

    // A screen reader's selection and caret have no place on a 3270 screen: the cursor moves by
    // the keyboard and the host, the terminal's selection is a rectangle made with the mouse.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return Screen().Caret(); }
    void setCursorPosition(int) override {}

    QString text(int start, int end) const override {
        const QString& all = Screen().Text();
        start = std::clamp(start, 0, int(all.size()));
        end = end < 0 ? int(all.size()) : std::clamp(end, start, int(all.size()));
        return all.mid(start, end - start);
    }
    int characterCount() const override { return Screen().CharacterCount(); }

    QRect characterRect(int offset) const override {
        const TerminalWidget& t = Terminal();
        const uint32_t columns = t.Columns();
        if (offset < 0 || columns == 0 || offset >= characterCount()) return {};
        // A line end stands just right of its row's last cell.
        const uint32_t row = uint32_t(offset) / (columns + 1), column = uint32_t(offset) % (columns + 1);
        const QRect cell = t.CellRect(row, column);
        return {t.mapToGlobal(cell.topLeft()), cell.size()};
    }

    int offsetAtPoint(const QPoint& point) const override {
        const TerminalWidget& t = Terminal();
        const std::optional<CellPosition> cell = t.CellAt(t.mapFromGlobal(point));
        return cell ? Screen().OffsetOf(cell->row * t.Columns() + cell->column) : -1;
    }

    // The whole screen is always in view.
    void scrollToSubstring(int, int) override {}

    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }

  private:
    TerminalWidget& Terminal() const { return *static_cast<TerminalWidget*>(widget()); }
    AccessibleScreen& Screen() const { return Terminal().Reading(); }
};

class StatusAccessible final : public QAccessibleWidget {
  public:
    explicit StatusAccessible(StatusLineWidget* status) : QAccessibleWidget(status, QAccessible::StatusBar) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<StatusLineWidget*>(widget())->SpokenText();
        return QAccessibleWidget::text(t);
    }
};

// Neither widget has a meta-object of its own: Qt asks with the key of their base class.
QAccessibleInterface* Factory(const QString& key, QObject* object) {
    if (key != QLatin1String("QWidget")) return nullptr;
    if (auto* terminal = dynamic_cast<TerminalWidget*>(object)) return new TerminalAccessible(terminal);
    if (auto* status = dynamic_cast<StatusLineWidget*>(object)) return new StatusAccessible(status);
    return nullptr;
}

}  // namespace

void InstallAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

}  // namespace orkan
