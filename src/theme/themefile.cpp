#include "theme/themefile.h"

#include "core/fontrecord.h"
#include "core/picturefile.h"
#include "core/privateprofile.h"

#include <QDir>
#include <QFileInfo>

#include <array>

namespace {

const QChar endMark(1);

// One key of a theme file: where it lives, how it is read, and the record field it
// fills. Exactly one of the member pointers is set.
struct Field
{
    enum Type { Text, Number, Flag, CheckedFont };
    const char* section;
    const char* key;
    Type type;
    const char* defaultValue;
    int ThemeRecord::*number = nullptr;
    bool ThemeRecord::*flag = nullptr;
    QString ThemeRecord::*text = nullptr;
    ThemePart part = ThemePart(0);
};

constexpr const char* TD = "THEMEDATA";
constexpr const char* TX = "TEXT";
constexpr const char* IM = "IMAGES";

constexpr Field text(const char* section, const char* key, QString ThemeRecord::*f,
                     const char* def = "", ThemePart part = ThemePart(0))
{
    return {section, key, Field::Text, def, nullptr, nullptr, f, part};
}
constexpr Field number(const char* key, int ThemeRecord::*f, const char* def = "0",
                       ThemePart part = ThemePart(0))
{
    return {TX, key, Field::Number, def, f, nullptr, nullptr, part};
}
constexpr Field flag(const char* section, const char* key, bool ThemeRecord::*f)
{
    return {section, key, Field::Flag, "false", nullptr, f, nullptr, ThemePart(0)};
}
constexpr Field font(const char* key, QString ThemeRecord::*f)
{
    return {TX, key, Field::CheckedFont, "MS Sans Serif", nullptr, nullptr, f, ThemePart(0)};
}

constexpr ThemePart TE = ThemePart::TextEntry;
constexpr ThemePart NL = ThemePart::NickList;
using R = ThemeRecord;

// Every key in the order a load reads it.
const std::array fields{
    text(TD, "Author", &R::author),
    text(TD, "Description", &R::description),
    number("backcolor", &R::backcolor),
    number("youcolor", &R::youcolor),
    number("othercolor", &R::othercolor),
    number("servercolor", &R::servercolor),
    number("linkcolor", &R::linkcolor),
    number("selectbackcolor", &R::selectbackcolor),
    number("selectfontcolor", &R::selectfontcolor),
    number("yousize", &R::yousize, "8"),
    number("othersize", &R::othersize, "8"),
    number("serversize", &R::serversize, "8"),
    font("youfont", &R::youfont),
    font("otherfont", &R::otherfont),
    font("serverfont", &R::serverfont),
    flag(TX, "youbold", &R::youbold),
    flag(TX, "youitalic", &R::youitalic),
    flag(TX, "otherbold", &R::otherbold),
    flag(TX, "otheritalic", &R::otheritalic),
    flag(TX, "serverbold", &R::serverbold),
    flag(TX, "serveritalic", &R::serveritalic),
    number("textscalex1", &R::textscalex1, "5"),
    number("textscaley1", &R::textscaley1, "5"),
    number("textscalex2", &R::textscalex2, "995"),
    number("textscaley2", &R::textscaley2, "995"),
    flag(TX, "ignoremircbold", &R::ignoremircbold),
    flag(TX, "ignoremircunderline", &R::ignoremircunderline),
    flag(TX, "ignoremircreverse", &R::ignoremircreverse),
    flag(TX, "ignoremirctextcolor", &R::ignoremirctextcolor),
    flag(TX, "ignoremircbackcolor", &R::ignoremircbackcolor),
    flag(IM, "tilestretch", &R::tilestretch),
    flag(IM, "tileon", &R::tileon),
    text(IM, "tilename", &R::tilename, "l"),
    number("textentrytextcolor", &R::textentrytextcolor, "0", TE),
    number("textentrybackcolor", &R::textentrybackcolor, "0", TE),
    number("textentryfontsize", &R::textentryfontsize, "8", TE),
    text(TX, "textentryfont", &R::textentryfont, "MS SANS SERIF", TE),
    number("nicklistbackcolor", &R::nicklistbackcolor, "0", NL),
    number("nicklistselectbackcolor", &R::nicklistselectbackcolor, "0", NL),
    number("nicklistselecttextcolor", &R::nicklistselecttextcolor, "0", NL),
    number("nicklistopbackcolor", &R::nicklistopbackcolor, "0", NL),
    number("nicklistoptextcolor", &R::nicklistoptextcolor, "0", NL),
    number("nicklistvoicebackcolor", &R::nicklistvoicebackcolor, "0", NL),
    number("nicklistvoicetextcolor", &R::nicklistvoicetextcolor, "0", NL),
    number("nicklistslimebackcolor", &R::nicklistslimebackcolor, "0", NL),
    number("nicklistslimetextcolor", &R::nicklistslimetextcolor, "0", NL),
    number("nicklistmetextcolor", &R::nicklistmetextcolor, "0", NL),
    number("nicklistfontsize", &R::nicklistfontsize, "8", NL),
    text(TX, "nicklistfont", &R::nicklistfont, "MS SANS SERIF", NL),
    number("highlightcolor", &R::highlightcolor, "42495"),
};

// The order a save writes the keys in.
const std::array saveOrder{
    "Author",
    "Description",
    "textscalex1",
    "textscaley1",
    "textscalex2",
    "textscaley2",
    "backcolor",
    "youfont",
    "youcolor",
    "yousize",
    "youbold",
    "youitalic",
    "serverfont",
    "servercolor",
    "serversize",
    "serverbold",
    "serveritalic",
    "otherfont",
    "othercolor",
    "othersize",
    "otherbold",
    "otheritalic",
    "linkcolor",
    "selectfontcolor",
    "selectbackcolor",
    "ignoremircbold",
    "ignoremircunderline",
    "ignoremircreverse",
    "ignoremirctextcolor",
    "ignoremircbackcolor",
    "tileon",
    "tilename",
    "tilestretch",
    "textentrytextcolor",
    "textentrybackcolor",
    "textentryfont",
    "textentryfontsize",
    "nicklistbackcolor",
    "nicklistselectbackcolor",
    "nicklistselecttextcolor",
    "nicklistopbackcolor",
    "nicklistoptextcolor",
    "nicklistvoicebackcolor",
    "nicklistvoicetextcolor",
    "nicklistslimebackcolor",
    "nicklistslimetextcolor",
    "nicklistmetextcolor",
    "nicklistfont",
    "nicklistfontsize",
    "highlightcolor",
};

const Field& fieldNamed(const char* key)
{
    for (const Field& f : fields) {
        if (qstrcmp(f.key, key) == 0)
            return f;
    }
    Q_UNREACHABLE();
}

void addError(ThemeRecord& record, const QString& message)
{
    record.errors += message + endMark;
}

// The font record holds at most 31 characters and keeps its old name when given none;
// the record keeps the name as asked, the message tells what is drawn instead.
void readFont(const Field& f, const QString& requested, ThemeRecord& record)
{
    FontRecord held;
    held.setName(record.*f.text);
    held.setName(requested);
    record.*f.text = requested;
    if (held.name().compare(requested, Qt::CaseInsensitive) != 0) {
        addError(record, QStringLiteral("THEME ERROR - Can't use ") + requested +
                             QStringLiteral(" for ") + QString::fromLatin1(f.key).toUpper() +
                             QStringLiteral(".  Using ") + held.name() +
                             QStringLiteral(" instead."));
    }
}

void readField(const PrivateProfile& file, const Field& f, ThemeRecord& record)
{
    const QString key = QString::fromLatin1(f.key);
    const QString def = QString::fromLatin1(f.defaultValue);
    const QString value = file.value(QString::fromLatin1(f.section), key, def);
    switch (f.type) {
    case Field::Text:
        record.*f.text = value;
        break;
    case Field::CheckedFont:
        readFont(f, value, record);
        break;
    case Field::Flag:
        record.*f.flag = value != QLatin1String("false");
        break;
    case Field::Number:
        if (const auto n = Profile::strictInt(value)) {
            record.*f.number = *n;
        } else {
            // A bad number costs that key only, not the rest of the theme.
            record.*f.number = Profile::strictInt(def).value_or(0);
            addError(record,
                     QStringLiteral("THEME ERROR - ") + key + QStringLiteral(" is not a number."));
        }
        break;
    }
}

QString writtenValue(const Field& f, const ThemeRecord& record)
{
    switch (f.type) {
    case Field::Text:
    case Field::CheckedFont:
        return record.*f.text;
    case Field::Flag:
        return record.*f.flag ? QStringLiteral("true") : QStringLiteral("false");
    case Field::Number:
        return QString::number(record.*f.number);
    }
    return QString();
}

void loadBackground(const QString& programFolder, LoadedTheme& theme)
{
    ThemeRecord& record = theme.record;
    const QString path = ThemeFile::findInThemesFolder(programFolder, record.tilename);
    QImage picture;
    if (!path.isEmpty())
        picture = PictureFile::read(path);
    if (!picture.isNull()) {
        theme.background = picture;
        return;
    }
    addError(record, QStringLiteral("THEME ERROR - Can't find ") + record.tilename +
                         QStringLiteral(" for Background."));
    record.tilename.clear();
    record.tileon = false;
}

// A theme's own name must stay a plain file name in the themes folder.
bool plainFileName(const QString& fileName)
{
    return !fileName.isEmpty() && !fileName.contains(u'/') && !fileName.contains(u'\\') &&
           fileName != QLatin1String(".") && fileName != QLatin1String("..");
}

} // namespace

namespace ThemeFile {

QString builtInName()
{
    return QStringLiteral("NewTheme1");
}

QString themesFolder(const QString& programFolder)
{
    QString folder = programFolder;
    if (!folder.isEmpty() && !folder.endsWith(u'/'))
        folder += u'/';
    return folder + QStringLiteral("themes/");
}

QString findInThemesFolder(const QString& programFolder, const QString& fileName)
{
    if (fileName.isEmpty())
        return QString();
    const QDir folder(themesFolder(programFolder));
    // Older themes name pictures in sub-folders with backslashes.
    const QString exact = folder.filePath(QString(fileName).replace(u'\\', u'/'));
    if (QFileInfo(exact).isFile())
        return exact;
    if (!plainFileName(fileName))
        return QString();
    const QStringList entries = folder.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& entry : entries) {
        if (entry.compare(fileName, Qt::CaseInsensitive) == 0)
            return folder.filePath(entry);
    }
    return QString();
}

void load(const QString& programFolder, const QString& name, LoadedTheme& theme, ThemeParts parts)
{
    theme.background = QImage();
    if (name.compare(builtInName(), Qt::CaseInsensitive) == 0) {
        theme.record = ThemeRecord::newTheme1();
        return;
    }
    ThemeRecord& record = theme.record;
    record.errors.clear();
    record.name = name;

    PrivateProfile file;
    const QString path = findInThemesFolder(programFolder, name + QStringLiteral(".qth"));
    if (!path.isEmpty())
        file.load(path);

    for (const Field& f : fields) {
        if (f.part != ThemePart(0) && !parts.testFlag(f.part))
            continue;
        readField(file, f, record);
    }
    if (record.tileon)
        loadBackground(programFolder, theme);
}

LoadedTheme load(const QString& programFolder, const QString& name)
{
    LoadedTheme theme;
    load(programFolder, name, theme);
    return theme;
}

bool save(const QString& programFolder, const ThemeRecord& record)
{
    const QString fileName = record.name + QStringLiteral(".qth");
    if (!plainFileName(record.name))
        return false;
    QString path = findInThemesFolder(programFolder, fileName);
    if (path.isEmpty())
        path = themesFolder(programFolder) + fileName;

    PrivateProfile file(path);
    for (const char* key : saveOrder) {
        const Field& f = fieldNamed(key);
        // The highlight colour is newer than the format: left at its default it is not
        // written, so a theme saved unchanged stays the file it was.
        if (qstrcmp(key, "highlightcolor") == 0 &&
            record.highlightcolor == ThemeRecord::DefaultHighlightColor) {
            file.removeKey(QString::fromLatin1(f.section), QString::fromLatin1(f.key));
            continue;
        }
        file.setValue(QString::fromLatin1(f.section), QString::fromLatin1(f.key),
                      writtenValue(f, record));
    }
    return file.save();
}

QString choose(const QStringList& themeUses, ThemeKind kind, const QString& target)
{
    if (themeUses.isEmpty())
        return builtInName();
    const QString letters = kind == ThemeKind::Channel   ? QStringLiteral(",ch")
                            : kind == ThemeKind::Private ? QStringLiteral(",pc")
                                                         : QStringLiteral(",dc");
    const QString assignment = letters + target.toLower();
    const QString fallback = letters + QStringLiteral("!unused!");

    qsizetype chosen = -1;
    for (qsizetype i = 0; i < themeUses.size() && chosen < 0; ++i) {
        if (themeUses[i].toLower().contains(assignment))
            chosen = i;
    }
    for (qsizetype i = themeUses.size() - 1; i >= 0 && chosen < 0; --i) {
        if (themeUses[i].toLower().contains(fallback))
            chosen = i;
    }
    if (chosen < 0)
        chosen = 0;
    return themeUses[chosen].section(u',', 0, 0);
}

} // namespace ThemeFile
