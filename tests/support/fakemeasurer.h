#pragma once

#include "chat/chatdocument.h"
#include "chat/textmeasurer.h"
#include "core/formatting.h"

#include <memory>

// Predictable pixels: every character is 6 pixels wide except the full stop, which is 2,
// and the full block (U+2588), which is 100; a line is the font's size plus 4 pixels high. Counts
// its calls, so a test sees whether layout measured anything.
class FakeMeasurer : public TextMeasurer
{
public:
    static constexpr int CharWidth = 6;
    static constexpr char16_t WideChar = u'\u2588';
    static constexpr int WideCharWidth = 100;
    static constexpr int DotWidth = 2;

    explicit FakeMeasurer(int* calls = nullptr) : calls_(calls) {}

    int textWidth(const ChatFont&, QStringView text) override
    {
        if (calls_)
            ++*calls_;
        int width = 0;
        for (QChar c : text)
            width += c == WideChar ? WideCharWidth : c == u'.' ? DotWidth : CharWidth;
        return width;
    }
    int textHeight(const ChatFont& font, QStringView) override { return font.size + 4; }

private:
    int* calls_;
};

// Class colours that differ from each other and from the background.
inline ThemeRecord testTheme()
{
    ThemeRecord theme;
    theme.backcolor = 0x444444;
    theme.servercolor = 0x111111;
    theme.othercolor = 0x222222;
    theme.youcolor = 0x333333;
    theme.linkcolor = 0x00AA00;
    theme.selectbackcolor = 0x800000;
    theme.selectfontcolor = 0xFFFFFF;
    theme.textscalex1 = 0;
    theme.textscaley1 = 0;
    theme.textscalex2 = 1000;
    theme.textscaley2 = 1000;
    return theme;
}

inline std::unique_ptr<ChatDocument> makeDocument(const ThemeRecord& theme = testTheme(),
                                                  int* calls = nullptr)
{
    auto doc = std::make_unique<ChatDocument>(std::make_unique<FakeMeasurer>(calls));
    doc->applyTheme(theme);
    return doc;
}

// Writes \002 and friends readably: B bold, K colour, O plain, R reverse, U underline,
// I italic, S strikethrough, M monospace, H hex colour, and A the control character 0x01
// (no formatting code) when preceded by a backslash.
inline QString codes(const char* text)
{
    QString s = QString::fromUtf8(text);
    s.replace(QStringLiteral("\\I"), QString(Formatting::Italic));
    s.replace(QStringLiteral("\\S"), QString(Formatting::Strikethrough));
    s.replace(QStringLiteral("\\M"), QString(Formatting::Monospace));
    s.replace(QStringLiteral("\\H"), QString(Formatting::HexColour));
    s.replace(QStringLiteral("\\A"), QString(QChar(0x01)));
    s.replace(QStringLiteral("\\B"), QString(Formatting::Bold));
    s.replace(QStringLiteral("\\K"), QString(Formatting::Colour));
    s.replace(QStringLiteral("\\O"), QString(Formatting::Plain));
    s.replace(QStringLiteral("\\R"), QString(Formatting::Reverse));
    s.replace(QStringLiteral("\\U"), QString(Formatting::Underline));
    return s;
}

// One word as "text/B/I/U/S/M/fg=BBGGRR/bg=BBGGRR": flags for bold, italic, underline,
// strikethrough and monospace where set, colours only where the word's differ from its
// class under the theme (as Windows values in hex).
inline QString describeWord(QStringView text, const ChatStyle& s, const ThemeRecord& theme)
{
    const std::array<qint32, 3> classColours{theme.servercolor, theme.othercolor, theme.youcolor};
    QString d = text.toString();
    if (s.bold)
        d += QStringLiteral("/B");
    if (s.italic)
        d += QStringLiteral("/I");
    if (s.underline)
        d += QStringLiteral("/U");
    if (s.strikethrough)
        d += QStringLiteral("/S");
    if (s.monospace)
        d += QStringLiteral("/M");
    if (s.textColor != classColours[s.lineClass])
        d += QStringLiteral("/fg=") +
             QStringLiteral("%1").arg(s.textColor, 6, 16, QChar(u'0')).toUpper();
    if (s.backgroundDrawn)
        d += QStringLiteral("/bg=") +
             QStringLiteral("%1").arg(s.backColor, 6, 16, QChar(u'0')).toUpper();
    return d;
}
