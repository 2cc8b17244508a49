#pragma once

#include <QString>
#include <QStringView>

namespace Formatting {
constexpr QChar Bold = QChar(0x02);
constexpr QChar Colour = QChar(0x03);
constexpr QChar HexColour = QChar(0x04); // RRGGBB, optionally ",RRGGBB" for the background
constexpr QChar Plain = QChar(0x0F);
constexpr QChar Monospace = QChar(0x11);
constexpr QChar Reverse = QChar(0x16);
constexpr QChar Italic = QChar(0x1D);
constexpr QChar Strikethrough = QChar(0x1E);
constexpr QChar Underline = QChar(0x1F);
constexpr QChar CtcpDelimiter = QChar(0x01);
} // namespace Formatting

// Turns the typed escapes (two backslashes and b, u, r, o or k) into formatting codes.
QString expandEscapes(const QString& text);

namespace Formatting {
// True for the codes that change the look of chat text.
constexpr bool isCode(QChar c)
{
    return c == Bold || c == Colour || c == HexColour || c == Plain || c == Monospace ||
           c == Reverse || c == Italic || c == Strikethrough || c == Underline;
}

// True for a control character that is not a formatting code: C0 controls but the tab,
// DEL and the C1 controls. Fonts have no glyph for them, so chat text never draws them.
constexpr bool isHiddenControl(QChar c)
{
    const char16_t u = c.unicode();
    return ((u < 0x20 && u != u'\t') || (u >= 0x7F && u <= 0x9F)) && !isCode(c);
}

// The digits a hex colour code takes at text[at] (the code itself not counted): six hex
// digits for the text colour, and a comma with six more for the background; 0 when no
// colour follows, which makes the code a bare reset of the colours.
qsizetype hexColourLength(QStringView text, qsizetype at);
// The colour of six hex digits RRGGBB as a Windows colour value (0x00BBGGRR).
qint32 hexColourValue(QStringView digits);

// A readable mark for a control character where raw bytes are shown: "^B" for 0x02,
// "^?" for DEL, "<93>" for a C1 control; empty for any other character.
QString controlMark(QChar c);
} // namespace Formatting

// Removes the formatting codes: 0x02, 0x0F, 0x11, 0x16, 0x1D, 0x1E and 0x1F, 0x03 with at
// most five digits or commas after it (so 0x03 "12,15" disappears entirely), 0x04 with its
// hex colours, and the other control characters but the tab.
QString stripFormatting(const QString& text);
