#include "gui/qt_text.h"

#include "charset/display_unicode.h"

namespace orkan {

QString DisplayToQString(std::string_view display) {
    std::u32string text;
    text.reserve(display.size());
    for (const char c : display) {
        if (c == '\r') continue;  // "\r\n" inside is "\n" on the desktop
        text += DisplayToUnicode(uint8_t(c));
    }
    return QString::fromStdU32String(text);
}

std::optional<std::string> QStringToDisplay(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    DisplayText converted = Utf8ToDisplay(std::string_view(utf8.constData(), size_t(utf8.size())));
    if (!converted.failures.empty()) return std::nullopt;
    return std::move(converted.text);
}

}  // namespace orkan
