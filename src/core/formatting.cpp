#include "core/formatting.h"

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

QString stripFormatting(const QString& text)
{
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
        } else if (!Formatting::isCode(c)) {
            result.append(c);
        }
    }
    return result;
}
