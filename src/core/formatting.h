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

namespace Formatting {
// True for the five codes that change the look of chat text.
constexpr bool isCode(QChar c)
{
    return c == Bold || c == Colour || c == Plain || c == Reverse || c == Underline;
}
} // namespace Formatting

// Removes the formatting codes: 0x02, 0x1F, 0x16 and 0x0F, and 0x03 with at most five
// digits or commas after it (so 0x03 "12,15" disappears entirely).
QString stripFormatting(const QString& text);
