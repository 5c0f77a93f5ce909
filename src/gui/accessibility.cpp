#include "gui/accessibility.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyle>
#include <QTextDocumentFragment>
#include <QTextEdit>

#include "gui/accessible_screen.h"
#include "gui/button_panel.h"
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

    // The terminal's selection is a rectangle, one range per row; it is made with the mouse or
    // Shift and the arrows, not by a screen reader, and the caret is the 3270 cursor.
    void selection(int index, int* start, int* end) const override {
        const std::vector<std::pair<int, int>> ranges = Screen().SelectedRanges();
        const bool exists = index >= 0 && index < int(ranges.size());
        *start = exists ? ranges[size_t(index)].first : 0;
        *end = exists ? ranges[size_t(index)].second : 0;
    }
    int selectionCount() const override { return int(Screen().SelectedRanges().size()); }
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

// A menu item whose key is shown after a TAB in its text (the key is the keyboard map's, not a Qt
// shortcut Qt could report apart): its name is the text before the TAB, the key its accelerator,
// so a screen reader does not read the key as part of the name. The rest is what Qt's own menu
// item says.
class MenuItemAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    explicit MenuItemAccessible(QAction* action)
        : action_(action), menu_(qobject_cast<QMenu*>(action->parent())) {}

    bool isValid() const override { return action_ && menu_; }
    QObject* object() const override { return action_; }
    QWindow* window() const override {
        const QWidget* top = menu_ ? menu_->window() : nullptr;
        return top ? top->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(menu_); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessible::Role role() const override {
        return action_->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
    }
    QRect rect() const override {
        return menu_->actionGeometry(action_).translated(menu_->mapToGlobal(QPoint(0, 0)));
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.invisible = !menu_->isVisible() || !action_->isVisible();
        s.focused = menu_->activeAction() == action_;
        s.hotTracked = menu_->style()->styleHint(QStyle::SH_Menu_MouseTracking);
        s.disabled = action_->isSeparator() || !action_->isEnabled();
        s.checkable = action_->isCheckable();
        s.checked = action_->isChecked();
        return s;
    }
    QString text(QAccessible::Text t) const override {
        const QString whole = action_->text();
        const qsizetype tab = whole.indexOf(QLatin1Char('\t'));
        if (t == QAccessible::Name) {
            // The mnemonic's "&" dropped, "&&" read as "&".
            const qsizetype end = tab >= 0 ? tab : whole.size();
            QString name;
            for (qsizetype i = 0; i < end; ++i) {
                if (whole[i] == QLatin1Char('&') && i + 1 < end) ++i;
                name += whole[i];
            }
            return name;
        }
        if (t == QAccessible::Accelerator)
            return tab >= 0 ? whole.mid(tab + 1)
                            : QKeySequence::mnemonic(whole).toString(QKeySequence::NativeText);
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override {
        return action_->isSeparator() ? QStringList() : QStringList{pressAction()};
    }
    void doAction(const QString& name) override {
        if (name == pressAction() && action_->isEnabled()) action_->trigger();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    QPointer<QAction> action_;
    QPointer<QMenu> menu_;
};

// None of these widgets has a meta-object of its own: Qt asks with the key of their base class.
QAccessibleInterface* Factory(const QString& key, QObject* object) {
    if (key == QLatin1String("QAction")) {
        // An item of a menu; a submenu's own item stays Qt's, which leads to the submenu.
        auto* action = static_cast<QAction*>(object);
        if (qobject_cast<QMenu*>(action->parent()) && !action->menu<QMenu*>())
            return new MenuItemAccessible(action);
        return nullptr;
    }
    if (key != QLatin1String("QWidget")) return nullptr;
    if (auto* terminal = dynamic_cast<TerminalWidget*>(object)) return new TerminalAccessible(terminal);
    if (auto* status = dynamic_cast<StatusLineWidget*>(object)) return new StatusAccessible(status);
    // A plain widget is a "filler" to a screen reader; the keypad has a window of its own.
    if (auto* pad = dynamic_cast<ButtonPanel*>(object); pad && pad->isWindow())
        return new QAccessibleWidget(pad, QAccessible::Window);
    return nullptr;
}

QString LabelName(const QString& text) {
    QString name = Qt::mightBeRichText(text) ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
    name.remove(QLatin1Char('&'));
    name = name.trimmed();
    while (name.endsWith(QLatin1Char(':')) || name.endsWith(QLatin1Char('.'))) name.chop(1);
    return name.trimmed();
}

void NameIfUnnamed(QWidget* control, const QString& name) {
    if (control && control->accessibleName().isEmpty() && !name.isEmpty()) control->setAccessibleName(name);
}

// A form's label stands for its whole row: the first control in it that takes the keyboard.
QWidget* LabelledControl(QWidget* buddy) {
    if (buddy->focusPolicy() != Qt::NoFocus) return buddy;
    for (QWidget* child : buddy->findChildren<QWidget*>())
        if (child->focusPolicy() != Qt::NoFocus) return child;
    return nullptr;
}

QWidget* FirstControlIn(const QLayout& layout) {
    for (int i = 0; i < layout.count(); ++i) {
        QLayoutItem* item = layout.itemAt(i);
        if (QWidget* w = item->widget()) {
            if (QWidget* control = LabelledControl(w)) return control;
        } else if (const QLayout* inner = item->layout()) {
            if (QWidget* control = FirstControlIn(*inner)) return control;
        }
    }
    return nullptr;
}

QString NameOf(QWidget* widget) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(QAccessible::Name) : QString();
}

// "..." and the like say nothing: such a button opens a chooser for the box before it.
void NameBrowseButton(QAbstractButton* button) {
    if (!button->accessibleName().isEmpty() || button->text().contains(QRegularExpression("\\w"))) return;
    if (!button->toolTip().isEmpty()) {
        button->setAccessibleName(button->toolTip());
        return;
    }
    QWidget* before = button->previousInFocusChain();
    const QString box = before && before != button ? NameOf(before) : QString();
    if (!box.isEmpty()) button->setAccessibleName("Browse for " + box);
}

class NamingFilter final : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (widget->isWindow()) NameControls(*widget);
        }
        return false;
    }
};

}  // namespace

void NameControls(QWidget& root) {
    for (QLabel* label : root.findChildren<QLabel*>())
        if (QWidget* buddy = label->buddy()) NameIfUnnamed(LabelledControl(buddy), LabelName(label->text()));
    // A label for a row of several controls has no buddy: it names the row's first control.
    for (QFormLayout* form : root.findChildren<QFormLayout*>())
        for (int row = 0; row < form->rowCount(); ++row) {
            QLayoutItem* label = form->itemAt(row, QFormLayout::LabelRole);
            QLayoutItem* field = form->itemAt(row, QFormLayout::FieldRole);
            const auto* text = label ? qobject_cast<QLabel*>(label->widget()) : nullptr;
            if (text && field && field->layout())
                NameIfUnnamed(FirstControlIn(*field->layout()), LabelName(text->text()));
        }
    for (QComboBox* combo : root.findChildren<QComboBox*>())
        if (combo->lineEdit()) NameIfUnnamed(combo->lineEdit(), combo->accessibleName());
    const auto in_titled_group = [](QWidget* w) {
        const auto* group = qobject_cast<QGroupBox*>(w->parentWidget());
        return group ? LabelName(group->title()) : QString();
    };
    for (QAbstractItemView* view : root.findChildren<QAbstractItemView*>())
        NameIfUnnamed(view, in_titled_group(view));
    for (QPlainTextEdit* edit : root.findChildren<QPlainTextEdit*>())
        NameIfUnnamed(edit, in_titled_group(edit));
    for (QTextEdit* edit : root.findChildren<QTextEdit*>()) NameIfUnnamed(edit, in_titled_group(edit));
    for (QAbstractButton* button : root.findChildren<QAbstractButton*>()) NameBrowseButton(button);
    // Run last, so that the areas have their names: a scroll bar is named after what it scrolls.
    for (QAbstractScrollArea* area : root.findChildren<QAbstractScrollArea*>()) {
        if (area->accessibleName().isEmpty()) continue;
        NameIfUnnamed(area->verticalScrollBar(), area->accessibleName() + ", vertical scroll bar");
        NameIfUnnamed(area->horizontalScrollBar(), area->accessibleName() + ", horizontal scroll bar");
    }
}

void InstallAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        if (qApp) qApp->installEventFilter(new NamingFilter(qApp));
        return true;
    }();
    (void)installed;
}

}  // namespace orkan
