// The Qt application the GUI tests draw with (always the offscreen platform unless the caller
// chose one, so the tests run the same with and without a display), and pixel checks.
#pragma once

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QRect>
#include <cstdlib>

namespace orkan::test {

inline QApplication& GuiApp() {
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

inline QColor Pixel(const QImage& image, QPoint at) { return QColor::fromRgb(image.pixel(at)); }

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

}  // namespace orkan::test
