#include "theme/themerecord.h"

namespace {
constexpr qint32 white = 0xFFFFFF;
constexpr qint32 navy = 0x800000;
} // namespace

ThemeRecord ThemeRecord::newTheme1()
{
    ThemeRecord r;
    r.name = QStringLiteral("NewTheme1");
    r.author = QStringLiteral("You");
    r.description = QStringLiteral("New Theme");
    r.backcolor = 0;
    r.youcolor = r.othercolor = r.servercolor = white;
    r.linkcolor = white;
    r.selectfontcolor = white;
    r.selectbackcolor = navy;
    r.youfont = r.otherfont = r.serverfont = QStringLiteral("MS SANS SERIF");
    r.textscalex1 = 0;
    r.textscaley1 = 0;
    r.textscalex2 = 995;
    r.textscaley2 = 995;
    r.tileon = false;
    r.tilestretch = false;
    r.tilename.clear();
    r.textentrytextcolor = white;
    r.textentrybackcolor = 0;
    r.nicklistbackcolor = 0;
    r.nicklistselectbackcolor = navy;
    r.nicklistselecttextcolor = white;
    r.nicklistopbackcolor = r.nicklistvoicebackcolor = r.nicklistslimebackcolor = 0;
    r.nicklistoptextcolor = r.nicklistvoicetextcolor = r.nicklistslimetextcolor = white;
    r.nicklistmetextcolor = white;
    return r;
}

QStringList ThemeRecord::errorLines() const
{
    QStringList lines = errors.split(QChar(1));
    // Every message ends with the mark, so the last piece is what follows the last one.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
