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

QString ButtonLabelText(std::string_view display) {
    return DisplayToQString(display).replace('&', "&&");
}

std::optional<std::string> QStringToDisplay(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    DisplayText converted = Utf8ToDisplay(std::string_view(utf8.constData(), size_t(utf8.size())));
    if (!converted.failures.empty()) return std::nullopt;
    return std::move(converted.text);
}

std::string QStringForMessage(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToDisplay(std::string_view(utf8.constData(), size_t(utf8.size()))).text;
}

QString DescribeRefusedCharacter(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    const std::string_view bytes(utf8.constData(), size_t(utf8.size()));
    const DisplayText converted = Utf8ToDisplay(bytes);
    if (converted.failures.empty()) return {};
    const Unconvertible& failure = converted.failures.front();
    // Characters before it: every byte that does not continue a UTF-8 sequence starts one.
    qsizetype position = 1;
    for (size_t i = 0; i < failure.offset && i < bytes.size(); ++i)
        if ((uint8_t(bytes[i]) & 0xC0) != 0x80) ++position;
    const QString hex = QString::number(uint(failure.code_point), 16).toUpper().rightJustified(4, '0');
    QString out = QString("U+%1 at character %2").arg(hex).arg(position);
    if (failure.code_point == U'\u017D') out += " (its Windows-1252 byte 8E is DUP here)";
    return out;
}

}  // namespace orkan
