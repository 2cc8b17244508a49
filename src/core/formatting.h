#pragma once

#include <QString>

namespace Formatting {
constexpr QChar Bold = QChar(0x02);
constexpr QChar Colour = QChar(0x03);
constexpr QChar Plain = QChar(0x0F);
constexpr QChar Reverse = QChar(0x16);
constexpr QChar Underline = QChar(0x1F);
constexpr QChar CtcpDelimiter = QChar(0x01);
} // namespace Formatting

// Turns the typed escapes (two backslashes and b, u, r, o or k) into formatting codes.
QString expandEscapes(const QString& text);
