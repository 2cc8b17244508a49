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
