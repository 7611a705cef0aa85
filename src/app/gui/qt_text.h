#pragma once

// 8-bit (Windows-1252) text to and from Qt.

#include <QString>
#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace plondex {

inline QString ToQt(std::string_view ansi) { return QString::fromStdString(AnsiToUtf8(ansi)); }

// For message boxes: the core's CR LF line ends become plain line breaks.
inline QString ToQtMessage(std::string_view ansi) {
  return ToQt(ansi).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

inline std::string FromQt(const QString& text) { return WideToAnsi(text.toStdU16String()); }

}  // namespace plondex
