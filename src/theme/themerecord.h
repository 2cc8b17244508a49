#pragma once

#include <QString>
#include <QStringList>

// The whole look of one chat view, named by the theme file's keys. Colours are Windows
// colour values (see core/wincolor.h); sizes are points; scales are thousandths.
struct ThemeRecord
{
    QString name;
    QString author;
    QString description;

    qint32 backcolor = 0;
    qint32 youcolor = 0;
    qint32 othercolor = 0;
    qint32 servercolor = 0;
    qint32 linkcolor = 0;
    // Lines that mention the user. Theme files from before it have no key: orange.
    static constexpr qint32 DefaultHighlightColor = 0x00A5FF;
    qint32 highlightcolor = DefaultHighlightColor;
    qint32 selectbackcolor = 0;
    qint32 selectfontcolor = 0;

    QString youfont = QStringLiteral("MS Sans Serif");
    QString otherfont = QStringLiteral("MS Sans Serif");
    QString serverfont = QStringLiteral("MS Sans Serif");
    int yousize = 8;
    int othersize = 8;
    int serversize = 8;
    bool youbold = false;
    bool youitalic = false;
    bool otherbold = false;
    bool otheritalic = false;
    bool serverbold = false;
    bool serveritalic = false;

    int textscalex1 = 5;
    int textscaley1 = 5;
    int textscalex2 = 995;
    int textscaley2 = 995;

    bool ignoremircbold = false;
    bool ignoremircunderline = false;
    bool ignoremircreverse = false;
    bool ignoremirctextcolor = false;
    bool ignoremircbackcolor = false;

    bool tileon = false;
    QString tilename = QStringLiteral("l");
    bool tilestretch = false;

    qint32 textentrytextcolor = 0;
    qint32 textentrybackcolor = 0;
    QString textentryfont = QStringLiteral("MS SANS SERIF");
    int textentryfontsize = 8;

    qint32 nicklistbackcolor = 0;
    qint32 nicklistselectbackcolor = 0;
    qint32 nicklistselecttextcolor = 0;
    qint32 nicklistopbackcolor = 0;
    qint32 nicklistoptextcolor = 0;
    qint32 nicklistvoicebackcolor = 0;
    qint32 nicklistvoicetextcolor = 0;
    qint32 nicklistslimebackcolor = 0;
    qint32 nicklistslimetextcolor = 0;
    qint32 nicklistmetextcolor = 0;
    QString nicklistfont = QStringLiteral("MS SANS SERIF");
    int nicklistfontsize = 8;

    // Messages collected while loading, each ended by the character with code 1.
    QString errors;

    // The values a theme file with no keys gives (black text on black).
    static ThemeRecord fileDefaults() { return {}; }
    // The built-in "NewTheme1".
    static ThemeRecord newTheme1();
    // Splits errors at their end marks.
    QStringList errorLines() const;

    bool operator==(const ThemeRecord&) const = default;
};
