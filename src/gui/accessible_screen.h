// What the terminal area tells a screen reader: the screen as text (rows joined by line ends, one
// character per cell), the caret at the 3270 cursor and the field under it in words. The text is
// kept row by row, so a change announces only the rows whose text differs, and only the part of
// each that differs. Changes are gathered until the event loop is idle (or the text is read), so
// a host write that erases the screen and writes it again is heard once, as what it changed.
// Nothing is computed while no assistive technology listens.
#pragma once

#include <QString>
#include <QTimer>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "display/row_bands.h"

class QWidget;

namespace orkan {

struct Session;

class AccessibleScreen {
  public:
    AccessibleScreen(const Session& session, QWidget& terminal);

    // The text interface's view of the screen.
    const QString& Text();
    int CharacterCount() { return int(Text().size()); }
    int Caret();
    int OffsetOf(uint32_t address) const;
    // The screen position of a text offset; none for a line end or beyond the screen.
    std::optional<uint32_t> AddressAt(int offset) const;
    // The selection rectangle as text ranges [start, end), one per row.
    std::vector<std::pair<int, int>> SelectedRanges() const;
    QString Description() const;

    // The rows of these bands may have changed (the changed-position map's bands).
    void RowsChanged(const std::vector<RowBand>& bands);
    // Anything may have changed: a repaint of everything, a new screen size.
    void ScreenChanged();
    // The cursor may stand elsewhere: the caret follows, and a new field is described.
    void CursorMoved();

  private:
    uint32_t CursorAddress() const;
    void Rebuild();
    void Flush();
    void AnnounceRows();
    void AnnounceCursor();

    const Session& session_;
    QWidget& terminal_;
    bool valid_ = false;  // rows_ hold the screen as shown last (only while someone listens)
    uint32_t rows_shown_ = 0, columns_shown_ = 0;
    std::vector<QString> rows_;
    std::vector<bool> pending_;  // rows to compare at the next flush
    bool pending_all_ = false;
    QTimer flush_timer_;
    QString text_;
    int caret_ = -1;
    std::string field_key_;  // the field last described: its place, attribute and label
};

}  // namespace orkan
