#include "core/formatting.h"

#include <algorithm>

#include <array>

namespace {
struct Escape
{
    const char16_t* typed;
    QChar code;
};

constexpr std::array<Escape, 5> escapes{{
    {u"\\\\b", Formatting::Bold},
    {u"\\\\u", Formatting::Underline},
    {u"\\\\r", Formatting::Reverse},
    {u"\\\\o", Formatting::Plain},
    {u"\\\\k", Formatting::Colour},
}};
} // namespace

QString expandEscapes(const QString& text)
{
    QString result = text;
    // Each round replaces the first occurrence of every escape, in table order, until a
    // round finds nothing more to replace.
    bool replaced = true;
    while (replaced) {
        replaced = false;
        for (const Escape& e : escapes) {
            const QStringView typed(e.typed);
            const qsizetype at = result.indexOf(typed);
            if (at >= 0) {
                result.replace(at, typed.size(), e.code);
                replaced = true;
            }
        }
    }
    return result;
}

namespace {
bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

bool sixHexDigitsAt(QStringView text, qsizetype at)
{
    if (at + 6 > text.size())
        return false;
    for (qsizetype i = at; i < at + 6; ++i) {
        if (!isHexDigit(text[i]))
            return false;
    }
    return true;
}
} // namespace

qsizetype Formatting::hexColourLength(QStringView text, qsizetype at)
{
    if (!sixHexDigitsAt(text, at))
        return 0;
    if (at + 6 < text.size() && text[at + 6] == u',' && sixHexDigitsAt(text, at + 7))
        return 13;
    return 6;
}

qint32 Formatting::hexColourValue(QStringView digits)
{
    const uint rgb = digits.first(6).toUInt(nullptr, 16);
    return qint32(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

QString Formatting::controlMark(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x20)
        return QStringLiteral("^") + QChar(u + 0x40);
    if (u == 0x7F)
        return QStringLiteral("^?");
    if (u >= 0x80 && u <= 0x9F)
        return u'<' + QString::number(u, 16).toUpper() + u'>';
    return QString();
}

QString stripFormatting(const QString& text)
{
    // Most lines hold no control character at all: they are returned as they are.
    const bool plain = std::none_of(text.cbegin(), text.cend(), [](QChar c) {
        const char16_t u = c.unicode();
        return u < 0x20 || (u >= 0x7F && u <= 0x9F);
    });
    if (plain)
        return text;
    QString result;
    result.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == Formatting::Colour) {
            // Unlike the chat view's tokeniser, this does not read colour numbers: it
            // simply swallows up to five digits and commas.
            int taken = 0;
            while (taken < 5 && i + 1 < n) {
                const char16_t next = text.at(i + 1).unicode();
                if (!((next >= u'0' && next <= u'9') || next == u','))
                    break;
                ++i;
                ++taken;
            }
        } else if (c == Formatting::HexColour) {
            i += Formatting::hexColourLength(text, i + 1);
        } else if (!Formatting::isCode(c) && !Formatting::isHiddenControl(c)) {
            result.append(c);
        }
    }
    return result;
}
