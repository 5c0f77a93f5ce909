// Pixel checks for the GUI tests. The application they draw with is the one the test program's
// main makes (gui_test_main.cpp): it lives on main's stack, so it goes before static objects do and
// Qt's input devices never outlive it.
#pragma once

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <functional>

namespace orkan::test {

inline QColor Pixel(const QImage& image, QPoint at) {
    return QColor::fromRgb(image.pixel(at));
}

inline int Distance(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

// Some pixel of `area` close to `colour`: text drawn in that colour left its mark.
inline bool HasPixelNear(const QImage& image, const QRect& area, QColor colour, int tolerance = 24) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (Distance(Pixel(image, {x, y}), colour) <= tolerance) return true;
    return false;
}

// Every pixel of `area` is exactly `colour`.
inline bool AllPixels(const QImage& image, const QRect& area, QColor colour) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (Pixel(image, {x, y}) != colour) return false;
    return true;
}

// While it lives, `answer` gets each modal window that is open and shown: polled, so a window that
// opens after another closed (a question after a dialog) is answered too.
class ModalAnswers {
  public:
    explicit ModalAnswers(std::function<void(QWidget&)> answer) {
        QObject::connect(&poll_, &QTimer::timeout, [answer] {
            QWidget* open = QApplication::activeModalWidget();
            if (open && open->isVisible()) answer(*open);
        });
        poll_.start(10);
    }

  private:
    QTimer poll_;
};

}  // namespace orkan::test
