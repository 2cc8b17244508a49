#include "theme/themeeditor.h"

#include "core/picturefile.h"
#include "core/prompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRect>

namespace {
using R = ThemeRecord;

// What an item is about, in the words its help text uses.
struct ItemRow
{
    const char* caption;
    ThemeItemKind kind;
    const char* subject;
    qint32 R::*colour = nullptr;
    bool R::*flag = nullptr;
    QString R::*text = nullptr;
    int R::*number = nullptr;
};

ItemRow colourRow(const char* caption, const char* subject, qint32 R::*field)
{
    return {caption, ThemeItemKind::Colour, subject, field};
}
ItemRow flagRow(const char* caption, const char* subject, bool R::*field)
{
    return {caption, ThemeItemKind::YesNo, subject, nullptr, field};
}
ItemRow fontRow(const char* caption, const char* subject, QString R::*field)
{
    return {caption, ThemeItemKind::Font, subject, nullptr, nullptr, field};
}
ItemRow sizeRow(const char* caption, const char* subject, int R::*field)
{
    return {caption, ThemeItemKind::Size, subject, nullptr, nullptr, nullptr, field};
}
ItemRow marginRow(const char* caption, const char* subject, int R::*field)
{
    return {caption, ThemeItemKind::Margin, subject, nullptr, nullptr, nullptr, field};
}

const ItemRow itemRows[] = {
    {"What uses this Theme?", ThemeItemKind::Uses, ""},
    {"Description", ThemeItemKind::Text, "", nullptr, nullptr, &R::description},
    {"Author", ThemeItemKind::Text, "", nullptr, nullptr, &R::author},
    colourRow("BackColor", "the background of the chat window", &R::backcolor),
    {"Background Pic", ThemeItemKind::Picture, ""},
    flagRow("Background Stretch",
            "the Background Picture stretched over the whole chat window.  Select No to "
            "repeat it at its own size",
            &R::tilestretch),
    marginRow("Top Margin", "space above the text of the chat window", &R::textscaley1),
    marginRow("Bottom Margin", "bottom edge of the text of the chat window", &R::textscaley2),
    marginRow("Left Margin", "space left of the text of the chat window", &R::textscalex1),
    marginRow("Right Margin", "right edge of the text of the chat window", &R::textscalex2),
    fontRow("You Font", "the text that you type", &R::youfont),
    sizeRow("You Font Size", "size of the text that you type", &R::yousize),
    colourRow("You Font Color", "the text that you type", &R::youcolor),
    flagRow("You Bold", "the text that you type to be Bold.  Select No for normal text",
            &R::youbold),
    flagRow("You Italic", "the text that you type to be Italic.  Select No for upright text",
            &R::youitalic),
    fontRow("Other Font", "the text that other people type", &R::otherfont),
    sizeRow("Other Font Size", "size of the text that other people type", &R::othersize),
    colourRow("Other Font Color", "the text that other people type", &R::othercolor),
    flagRow("Other Bold", "the text that other people type to be Bold.  Select No for normal text",
            &R::otherbold),
    flagRow("Other Italic",
            "the text that other people type to be Italic.  Select No for upright text",
            &R::otheritalic),
    fontRow("Server Font", "the messages of the server and of QuorlIRC", &R::serverfont),
    sizeRow("Server Font Size", "size of the messages of the server and of QuorlIRC",
            &R::serversize),
    colourRow("Server Font Color", "the messages of the server and of QuorlIRC", &R::servercolor),
    flagRow("Server Bold",
            "the messages of the server and of QuorlIRC to be Bold.  Select No for normal text",
            &R::serverbold),
    flagRow("Server Italic",
            "the messages of the server and of QuorlIRC to be Italic.  Select No for upright "
            "text",
            &R::serveritalic),
    colourRow("Link Color", "web, channel and nickname links under the mouse", &R::linkcolor),
    colourRow("Select BackColor", "the background of text you select with the mouse",
              &R::selectbackcolor),
    colourRow("Select Text Color", "text you select with the mouse", &R::selectfontcolor),
    flagRow("Ignore Mirc Bold",
            "this theme to ignore the Bold codes in incoming text.  Select No to show them",
            &R::ignoremircbold),
    flagRow("Ignore Mirc Undln.",
            "this theme to ignore the Underline codes in incoming text.  Select No to show them",
            &R::ignoremircunderline),
    flagRow("Ignore Mirc Revs.",
            "this theme to ignore the Reverse codes in incoming text.  Select No to show them",
            &R::ignoremircreverse),
    flagRow("Ignore Mirc Textcolor",
            "this theme to ignore the text colour codes in incoming text.  Select No to show "
            "them",
            &R::ignoremirctextcolor),
    flagRow("Ignore Mirc BackColor",
            "this theme to ignore the background colour codes in incoming text.  Select No to "
            "show them",
            &R::ignoremircbackcolor),
    fontRow("List Font", "the nick list", &R::nicklistfont),
    sizeRow("List Font Size", "size of the text of the nick list", &R::nicklistfontsize),
    colourRow("List BackColor", "the background of the nick list", &R::nicklistbackcolor),
    colourRow("List Select BackColor", "the background of selected nicknames",
              &R::nicklistselectbackcolor),
    colourRow("List Select Text Color", "selected nicknames", &R::nicklistselecttextcolor),
    colourRow("List Op BackColor", "the background of channel operators in the nick list",
              &R::nicklistopbackcolor),
    colourRow("List Op Text Color", "channel operators in the nick list", &R::nicklistoptextcolor),
    colourRow("List Voice BackColor", "the background of voiced users in the nick list",
              &R::nicklistvoicebackcolor),
    colourRow("List Voice Text Color", "voiced users in the nick list", &R::nicklistvoicetextcolor),
    colourRow("List Slime BackColor", "the background of all other users in the nick list",
              &R::nicklistslimebackcolor),
    colourRow("List Slime Text Color", "all other users in the nick list",
              &R::nicklistslimetextcolor),
    colourRow("List Me Text Color", "your own nickname in the nick list", &R::nicklistmetextcolor),
    fontRow("Text Entry Font", "the Text Entry Box", &R::textentryfont),
    sizeRow("Text Entry Font Size", "size of the text in the Text Entry Box",
            &R::textentryfontsize),
    colourRow("Text Entry Color", "the text in the Text Entry Box", &R::textentrytextcolor),
    colourRow("Text Entry BackColor", "the background of the Text Entry Box",
              &R::textentrybackcolor),
};

QString helpFor(const ItemRow& row)
{
    const QString subject = QString::fromLatin1(row.subject);
    switch (row.kind) {
    case ThemeItemKind::Uses:
        return QStringLiteral("What do you want to use this theme with?");
    case ThemeItemKind::Text:
        if (row.text == &R::description)
            return QStringLiteral(
                "Enter a Description of your theme and other info such as where to find more of "
                "your themes, how and when it was created, how to contact you, your personal "
                "thoughts, etc.  You can leave it blank if desired.");
        return QStringLiteral("Enter your Name or NickName so others will know who made this "
                              "theme.  You can leave it blank if desired.");
    case ThemeItemKind::Colour:
        return QStringLiteral("Select a Color for ") + subject +
               QStringLiteral(".  You can select a color by either 1) Left-clicking on the Color "
                              "Palette.  2)  Clicking on the Mix button.  3)  Right-Click on "
                              "the background of the chat window to sample a color.");
    case ThemeItemKind::YesNo:
        return QStringLiteral("Select Yes if you want ") + subject + u'.';
    case ThemeItemKind::Font:
        return QStringLiteral("Select a Font for ") + subject + u'.';
    case ThemeItemKind::Size:
        return QStringLiteral("Move the slider bar above to change the ") + subject + u'.';
    case ThemeItemKind::Margin:
        return QStringLiteral("Move the slider bar above to change the ") + subject +
               QStringLiteral(".  Click View Margins to see where the text goes.");
    case ThemeItemKind::Picture:
        return QStringLiteral("Select a Background Picture for the chat window.  The pictures "
                              "listed are the bitmap files in the themes folder.");
    }
    return QString();
}

int scaled(int thousandths, int extent)
{
    return int(qint64(thousandths) * extent / 1000);
}

// The tokens of an entry after its theme name.
QStringList tokensOf(const QString& entry)
{
    QStringList pieces = entry.split(u',');
    pieces.removeFirst();
    return pieces;
}

QString entryName(const QString& entry)
{
    return entry.section(u',', 0, 0);
}

// Removes the first token of entry equal to token (",XX..." without regard to case).
bool removeToken(QString& entry, const QString& token)
{
    QStringList pieces = entry.split(u',');
    const QString wanted = token.mid(1);
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        if (pieces[i].compare(wanted, Qt::CaseInsensitive) == 0) {
            pieces.removeAt(i);
            entry = pieces.join(u',');
            return true;
        }
    }
    return false;
}

struct UseLineForm
{
    const char* kind;     // the two letters of the token
    const char* prefix;   // of a line for a named use
    const char* fallback; // the line for the default
};

const UseLineForm useLineForms[] = {
    {"CH", "Channel ", "Channel Default"},
    {"PC", "Private: ", "Private Default"},
    {"DC", "DCC: ", "DCC Default"},
};

const QString unusedMark = QStringLiteral("!unused!");
} // namespace

namespace ThemeItems {

const std::vector<ThemeItem>& all()
{
    static const std::vector<ThemeItem> items = [] {
        std::vector<ThemeItem> list;
        for (const ItemRow& row : itemRows)
            list.push_back({QString::fromLatin1(row.caption), row.kind, helpFor(row), row.colour,
                            row.flag, row.text, row.number});
        return list;
    }();
    return items;
}

const ThemeItem* find(const QString& caption)
{
    for (const ThemeItem& item : all()) {
        if (item.caption == caption)
            return &item;
    }
    return nullptr;
}

QRect textArea(const ThemeRecord& record, QSize viewSize)
{
    const int left = scaled(record.textscalex1, viewSize.width());
    const int right = scaled(record.textscalex2, viewSize.width());
    const int top = scaled(record.textscaley1, viewSize.height());
    const int bottom = scaled(record.textscaley2, viewSize.height());
    return QRect(left, top, right - left, bottom - top);
}

bool marginAllowed(const ThemeRecord& record, int ThemeRecord::*margin, int value, QSize viewSize)
{
    ThemeRecord changed = record;
    changed.*margin = value;
    const QRect area = textArea(changed, viewSize);
    if (margin == &R::textscalex1 || margin == &R::textscalex2)
        return area.width() >= MinTextWidth;
    if (margin == &R::textscaley1 || margin == &R::textscaley2)
        return area.height() >= MinTextHeight;
    return false;
}

const QList<SampleLine>& sampleLines()
{
    static const QList<SampleLine> lines{
        {0, QStringLiteral("*** Tam has Joined the Channel")},
        {1, QStringLiteral("<Tam> Hi Everyone!")},
        {0, QStringLiteral("*** Wren has Joined the Channel")},
        {2, QStringLiteral("<Wren> Hi Tam :)")},
        {0, QStringLiteral("*** Wren has been opped by Dorera")},
        {2, QStringLiteral("<Wren> Let's talk about Mirc Text Codes")},
        {1, QStringLiteral("<Tam> QuorlIRC can display Mirc Text Codes.")},
        {1, QStringLiteral("<Tam> This is a sample of \x02"
                           "Bold\x02 text.")},
        {1, QStringLiteral("<Tam> This is a sample of \x16Reverse\x16 text.")},
        {1, QStringLiteral("<Tam> Here is some \x1Funderlined\x1F text.")},
        {1, QStringLiteral("<Tam> This is a sample of \x03"
                           "8,2C\x03"
                           "11,10o\x03"
                           "13,6l\x03"
                           "9,3o\x03"
                           "7,5r\x03 characters.")},
        {1, QStringLiteral("<Tam> Certain themes may disable some or all of the Mirc Codes so "
                           "that they don't mess up the screen.")},
    };
    return lines;
}

QStringList sampleNicks(const QString& ownNickname)
{
    QStringList nicks{
        QStringLiteral("aKingzWa"), QStringLiteral("aQueenzWa"), QStringLiteral("aRippler"),
        QStringLiteral("aJoutk"),   QStringLiteral("bBuouk"),    QStringLiteral("bImsleepy"),
        QStringLiteral("bRonny"),   QStringLiteral("cNell"),     QStringLiteral("cJak"),
        QStringLiteral("cLoof"),    QStringLiteral("cBoatmutt"), QStringLiteral("cDujn")};
    nicks << u'c' + ownNickname;
    return nicks;
}

QString nameFromFile(const QString& path)
{
    QString name = QFileInfo(path).fileName();
    if (name.endsWith(QLatin1String(".qth"), Qt::CaseInsensitive))
        name.chop(4);
    return name.trimmed().isEmpty() ? QString() : name;
}

} // namespace ThemeItems

namespace ThemeUses {

QString token(ThemeUseKind kind, const QString& argument)
{
    switch (kind) {
    case ThemeUseKind::ChannelDefault:
        return QStringLiteral(",CH!unused!");
    case ThemeUseKind::PrivateDefault:
        return QStringLiteral(",PC!unused!");
    case ThemeUseKind::DccDefault:
        return QStringLiteral(",DC!unused!");
    default:
        break;
    }
    const QString named = argument.trimmed();
    // A comma would split the token in two when the list is read back.
    if (named.isEmpty() || named.contains(u','))
        return QString();
    const char* letters = kind == ThemeUseKind::Channel   ? ",CH"
                          : kind == ThemeUseKind::Private ? ",PC"
                                                          : ",DC";
    return QLatin1String(letters) + named;
}

void add(QStringList& uses, const QString& themeName, const QString& token)
{
    if (token.isEmpty())
        return;
    for (QString& entry : uses) {
        if (removeToken(entry, token))
            break;
    }
    const QString name = themeName.toLower();
    for (QString& entry : uses) {
        if (entryName(entry) == name) {
            entry += token;
            return;
        }
    }
    uses.append(name + token);
}

QStringList lines(const QStringList& uses, const QString& themeName)
{
    const QString name = themeName.toLower();
    QStringList shown;
    for (const QString& entry : uses) {
        if (entryName(entry) != name)
            continue;
        for (const QString& piece : tokensOf(entry)) {
            for (const UseLineForm& form : useLineForms) {
                if (!piece.startsWith(QLatin1String(form.kind), Qt::CaseInsensitive))
                    continue;
                const QString argument = piece.mid(2);
                shown << (argument.compare(unusedMark, Qt::CaseInsensitive) == 0
                              ? QString::fromLatin1(form.fallback)
                              : QLatin1String(form.prefix) + argument);
                break;
            }
        }
        break;
    }
    return shown;
}

bool remove(QStringList& uses, const QString& themeName, const QString& line)
{
    QString token;
    for (const UseLineForm& form : useLineForms) {
        const QLatin1String prefix(form.prefix);
        if (line.startsWith(prefix) && line != QLatin1String(form.fallback)) {
            token = u',' + QLatin1String(form.kind) + line.mid(prefix.size());
            break;
        }
    }
    if (token.isEmpty())
        return false;
    const QString name = themeName.toLower();
    for (QString& entry : uses) {
        if (entryName(entry) == name)
            return removeToken(entry, token);
    }
    return false;
}

} // namespace ThemeUses

ThemeEditor::ThemeEditor(const QString& programFolder, QStringList& themeUses, Prompts& prompts,
                         QObject* parent)
    : QObject(parent), programFolder_(programFolder), themeUses_(themeUses), prompts_(prompts)
{
}

void ThemeEditor::open(const QString& name)
{
    if (open_)
        close();
    theme_ = LoadedTheme{};
    ThemeFile::load(programFolder_, name, theme_);
    open_ = true;
    Q_EMIT opened();
    Q_EMIT titleChanged(QStringLiteral("Theme: ") + theme_.record.name);
    Q_EMIT usesChanged();
}

void ThemeEditor::close()
{
    if (!open_)
        return;
    open_ = false;
    theme_ = LoadedTheme{};
    Q_EMIT closed();
}

void ThemeEditor::newTheme()
{
    if (!open_) {
        open(ThemeFile::builtInName());
        return;
    }
    prompts_.askYesNo(QStringLiteral("Create a New Theme?"), [this](bool yes) {
        if (yes)
            open(ThemeFile::builtInName());
    });
}

bool ThemeEditor::saveAs(const QString& chosenFile)
{
    if (!open_)
        return false;
    const QString name = ThemeItems::nameFromFile(chosenFile);
    // The built-in name is never read from a file: a theme saved under it could not be
    // opened again.
    if (name.isEmpty() || name.compare(ThemeFile::builtInName(), Qt::CaseInsensitive) == 0 ||
        name.contains(u'\\')) {
        prompts_.warning(QStringLiteral("Please choose another name for this theme."));
        return false;
    }
    ThemeRecord saved = theme_.record;
    saved.name = name;
    if (!ThemeFile::save(programFolder_, saved)) {
        prompts_.warning(QStringLiteral("Unable to write to ") +
                         ThemeFile::themesFolder(programFolder_) + name + QStringLiteral(".qth"));
        return false;
    }
    const QString oldName = theme_.record.name;
    theme_.record.name = name;
    Q_EMIT titleChanged(QStringLiteral("Theme: ") + name);
    if (oldName.compare(name, Qt::CaseInsensitive) != 0)
        Q_EMIT usesChanged();
    return true;
}

void ThemeEditor::deleteTheme()
{
    if (!open_)
        return;
    prompts_.askYesNo(
        QStringLiteral("Are you sure you want to DELETE this theme?"), [this](bool yes) {
            if (!yes || !open_)
                return;
            const ThemeRecord record = theme_.record;
            const QString path =
                ThemeFile::findInThemesFolder(programFolder_, record.name + QStringLiteral(".qth"));
            // The question names the file as the folder holds it.
            const QString fileName =
                path.isEmpty() ? record.name + QStringLiteral(".qth") : QFileInfo(path).fileName();
            if (!path.isEmpty())
                QFile::remove(path);
            auto finish = [this] {
                Q_EMIT titleChanged(QStringLiteral("Theme Deleted"));
                close();
            };
            // Only a picture inside the themes folder is offered for deletion: a theme
            // from someone else may name any path.
            const QString themes = QDir(ThemeFile::themesFolder(programFolder_)).canonicalPath();
            const QString picture =
                record.tileon ? ThemeFile::findInThemesFolder(programFolder_, record.tilename)
                              : QString();
            const QString canonical = QFileInfo(picture).canonicalFilePath();
            if (picture.isEmpty() || !canonical.startsWith(themes + u'/')) {
                finish();
                return;
            }
            prompts_.askYesNo(QStringLiteral("You have just deleted the ") + fileName +
                                  QStringLiteral(" file for this theme.  Do you want to delete "
                                                 "its Background Picture (") +
                                  record.tilename + QStringLiteral(") too?"),
                              [canonical, finish](bool deletePicture) {
                                  if (deletePicture)
                                      QFile::remove(canonical);
                                  finish();
                              });
        });
}

void ThemeEditor::setColour(const ThemeItem& item, qint32 colour)
{
    if (!open_ || !item.colour)
        return;
    theme_.record.*item.colour = colour;
    Q_EMIT changed();
}

void ThemeEditor::setFlag(const ThemeItem& item, bool value)
{
    if (!open_ || !item.flag)
        return;
    theme_.record.*item.flag = value;
    Q_EMIT changed();
}

void ThemeEditor::setText(const ThemeItem& item, const QString& text)
{
    if (!open_ || !item.text)
        return;
    const QString value = item.kind == ThemeItemKind::Text ? text.trimmed() : text;
    if (theme_.record.*item.text == value)
        return;
    theme_.record.*item.text = value;
    Q_EMIT changed();
}

void ThemeEditor::setNumber(const ThemeItem& item, int value)
{
    if (!open_ || !item.number || item.kind == ThemeItemKind::Margin)
        return;
    theme_.record.*item.number = value;
    Q_EMIT changed();
}

bool ThemeEditor::setMargin(const ThemeItem& item, int value, QSize viewSize)
{
    if (!open_ || item.kind != ThemeItemKind::Margin ||
        !ThemeItems::marginAllowed(theme_.record, item.number, value, viewSize))
        return false;
    theme_.record.*item.number = value;
    Q_EMIT changed();
    return true;
}

void ThemeEditor::setPicture(const QString& fileName)
{
    if (!open_)
        return;
    // No file name takes the picture away.
    theme_.record.tilename = fileName;
    theme_.record.tileon = !fileName.isEmpty();
    loadPicture();
    Q_EMIT changed();
}

void ThemeEditor::loadPicture()
{
    const QString path = ThemeFile::findInThemesFolder(programFolder_, theme_.record.tilename);
    theme_.background = path.isEmpty() ? QImage() : PictureFile::read(path);
}

QStringList ThemeEditor::useLines() const
{
    return open_ ? ThemeUses::lines(themeUses_, theme_.record.name) : QStringList();
}

void ThemeEditor::addUse(ThemeUseKind kind, const QString& argument)
{
    if (!open_)
        return;
    const QString token = ThemeUses::token(kind, argument);
    if (token.isEmpty())
        return;
    ThemeUses::add(themeUses_, theme_.record.name, token);
    Q_EMIT usesChanged();
}

void ThemeEditor::deleteUse(const QString& line)
{
    if (open_ && ThemeUses::remove(themeUses_, theme_.record.name, line))
        Q_EMIT usesChanged();
}
