#include "gui/accessible_screen.h"

#include <QAccessible>
#include <QWidget>
#include <algorithm>
#include <array>

#include "charset/display_unicode.h"
#include "display/screen_reading.h"
#include "gui/qt_text.h"
#include "session/session.h"

namespace orkan {

namespace {

// One character per cell keeps text offsets and cells in step: DUP and FIELD MARK lose the
// combining overline they have on the screen.
QChar CellChar(uint8_t display) {
    static const std::array<QChar, 256> table = [] {
        std::array<QChar, 256> t;
        for (size_t i = 0; i < t.size(); ++i) {
            const char32_t u = DisplayToUnicode(uint8_t(i)).front();
            t[i] = u <= 0xFFFF ? QChar(char16_t(u)) : QChar(u'?');
        }
        return t;
    }();
    return table[display];
}

QString RowText(const PresentationSpace& ps, uint32_t row) {
    const std::string shown = ShownRow(ps, row);
    QString text(qsizetype(shown.size()), QChar(u' '));
    for (size_t i = 0; i < shown.size(); ++i) text[qsizetype(i)] = CellChar(uint8_t(shown[i]));
    return text;
}

uint32_t RowsOf(const PresentationSpace& ps) {
    return ps.columns ? std::min(ps.rows, kMaxPositions / ps.columns) : 0;
}

}  // namespace

AccessibleScreen::AccessibleScreen(const Session& session, QWidget& terminal)
    : session_(session), terminal_(terminal) {
    flush_timer_.setSingleShot(true);
    flush_timer_.setInterval(0);
    QObject::connect(&flush_timer_, &QTimer::timeout, &terminal_, [this] { Flush(); });
}

uint32_t AccessibleScreen::CursorAddress() const {
    const PresentationSpace& ps = session_.ps;
    return std::min(ps.cursor_address, RowsOf(ps) * ps.columns);
}

int AccessibleScreen::OffsetOf(uint32_t address) const {
    const uint32_t columns = session_.ps.columns;
    if (columns == 0) return 0;
    return int(address / columns * (columns + 1) + address % columns);
}

std::vector<std::pair<int, int>> AccessibleScreen::SelectedRanges() const {
    const Selection& sel = session_.selection;
    const uint32_t rows = session_.ps.rows, columns = session_.ps.columns;
    std::vector<std::pair<int, int>> ranges;
    if (!sel.shown || columns == 0 || sel.Left() >= columns) return ranges;
    const uint32_t right = std::min(sel.Right(), columns - 1);
    for (uint32_t row = sel.Top(); row <= sel.Bottom() && row < rows; ++row)
        ranges.emplace_back(OffsetOf(row * columns + sel.Left()), OffsetOf(row * columns + right) + 1);
    return ranges;
}

std::optional<uint32_t> AccessibleScreen::AddressAt(int offset) const {
    const uint32_t columns = session_.ps.columns;
    if (offset < 0 || columns == 0) return std::nullopt;
    const uint32_t row = uint32_t(offset) / (columns + 1), column = uint32_t(offset) % (columns + 1);
    if (column == columns || row >= RowsOf(session_.ps)) return std::nullopt;
    return row * columns + column;
}

QString AccessibleScreen::Description() const {
    return DisplayToQString(DescribeFieldAt(session_.ps, CursorAddress()));
}

const QString& AccessibleScreen::Text() {
    if (!valid_ || flush_timer_.isActive()) Flush();
    return text_;
}

int AccessibleScreen::Caret() {
    if (!valid_ || flush_timer_.isActive()) Flush();
    return OffsetOf(CursorAddress());
}

void AccessibleScreen::Rebuild() {
    const PresentationSpace& ps = session_.ps;
    rows_shown_ = RowsOf(ps);
    columns_shown_ = ps.columns;
    rows_.clear();
    text_.clear();
    for (uint32_t r = 0; r < rows_shown_; ++r) {
        rows_.push_back(RowText(ps, r));
        if (r > 0) text_ += QChar(u'\n');
        text_ += rows_.back();
    }
    pending_.assign(rows_shown_, false);
    pending_all_ = false;
    valid_ = true;
}

void AccessibleScreen::RowsChanged(const std::vector<RowBand>& bands) {
    if (!QAccessible::isActive()) {
        valid_ = false;
        return;
    }
    for (const RowBand& band : bands)
        for (uint32_t r = band.first_row; r < band.first_row + band.row_count; ++r) {
            if (r < pending_.size())
                pending_[r] = true;
            else
                pending_all_ = true;
        }
    flush_timer_.start();
}

void AccessibleScreen::ScreenChanged() {
    if (!QAccessible::isActive()) {
        valid_ = false;
        return;
    }
    pending_all_ = true;
    flush_timer_.start();
}

void AccessibleScreen::CursorMoved() {
    if (QAccessible::isActive()) flush_timer_.start();
}

void AccessibleScreen::Flush() {
    flush_timer_.stop();
    if (!valid_) {
        Rebuild();  // nothing known to compare with: a screen reader reads it afresh
    } else if (RowsOf(session_.ps) != rows_shown_ || session_.ps.columns != columns_shown_) {
        const QString before = text_;
        Rebuild();
        QAccessibleTextUpdateEvent replaced(&terminal_, 0, before, text_);
        QAccessible::updateAccessibility(&replaced);
    } else {
        AnnounceRows();
    }
    AnnounceCursor();
}

void AccessibleScreen::AnnounceRows() {
    const PresentationSpace& ps = session_.ps;
    struct Change {
        int position;
        QString removed, inserted;
    };
    std::vector<Change> changes;
    for (uint32_t r = 0; r < rows_shown_; ++r) {
        if (!pending_all_ && !pending_[r]) continue;
        pending_[r] = false;
        QString now = RowText(ps, r);
        QString& before = rows_[r];
        if (now == before) continue;
        qsizetype from = 0, to = now.size();
        while (now[from] == before[from]) ++from;
        while (now[to - 1] == before[to - 1]) --to;
        const int position = OffsetOf(r * ps.columns) + int(from);
        changes.push_back({position, before.mid(from, to - from), now.mid(from, to - from)});
        text_.replace(position, to - from, changes.back().inserted);
        before = std::move(now);
    }
    pending_all_ = false;
    // New messages usually arrive on the last rows: with this setting they are heard first.
    if (session_.settings.AnnounceLastRowsFirst) std::reverse(changes.begin(), changes.end());
    for (const Change& c : changes) {
        QAccessibleTextUpdateEvent changed(&terminal_, c.position, c.removed, c.inserted);
        QAccessible::updateAccessibility(&changed);
    }
}

// The description is announced when the cursor enters another field, or the screen gives its
// field another label; typing into the field changes only the text.
void AccessibleScreen::AnnounceCursor() {
    if (const int caret = OffsetOf(CursorAddress()); caret != caret_) {
        caret_ = caret;
        QAccessibleTextCursorEvent moved(&terminal_, caret);
        QAccessible::updateAccessibility(&moved);
    }
    const PresentationSpace& ps = session_.ps;
    const std::optional<FieldSpan> field = FieldAt(ps, CursorAddress());
    std::string key;
    if (field)
        key = std::to_string(field->attribute) + ":" + std::to_string(field->value & ~fa::Mdt) + ":" +
              FieldLabel(ps, *field);
    if (key == field_key_) return;
    field_key_ = std::move(key);
    QAccessibleEvent described(&terminal_, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&described);
}

}  // namespace orkan
