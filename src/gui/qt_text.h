// Display bytes (Windows-1252 with the 3270 symbols) and Qt's Unicode strings meet only here, so
// every message, title and text field crosses the same table.
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace orkan {

QString DisplayToQString(std::string_view display);

// A button's label as Qt shows it: a "&" in a user's label is a character, not a mnemonic mark.
QString ButtonLabelText(std::string_view display);

// Text typed by the user into display bytes; nothing when a character has no display byte (the
// caller says so: a character is never dropped quietly).
std::optional<std::string> QStringToDisplay(const QString& text);

// The first character of `text` that has no display byte, as a user counts: "U+03A9 at character
// 3" (from 1; the character itself could not be shown in a message). Empty when every one has one.
QString DescribeRefusedCharacter(const QString& text);

// `text` for a message, whose text is display bytes: "?" for a character without one.
std::string QStringForMessage(const QString& text);

// File names go to the session record as Windows-1252 too, but come from and go to Linux as UTF-8.
inline QString Utf8ToQString(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

}  // namespace orkan
