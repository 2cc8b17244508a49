#pragma once

#include "theme/themefile.h"
#include "theme/themerecord.h"

#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>

#include <vector>

class Prompts;

// The kinds of editor the theme page shows for an item of its item list.
enum class ThemeItemKind { Uses, Text, Colour, YesNo, Font, Size, Margin, Picture };

// One entry of the item list: its caption, the editor it takes, the field it edits
// (exactly one of the member pointers is set, none for "Background Pic" and the uses) and
// the help text shown under the editor.
struct ThemeItem
{
    QString caption;
    ThemeItemKind kind;
    QString help;
    qint32 ThemeRecord::*colour = nullptr;
    bool ThemeRecord::*flag = nullptr;
    QString ThemeRecord::*text = nullptr;
    int ThemeRecord::*number = nullptr;
};

// The kinds of use the theme page offers, in its order.
enum class ThemeUseKind { ChannelDefault, PrivateDefault, DccDefault, Channel, Private, Dcc };

namespace ThemeItems {
// Every item of the theme page's item list, in order.
const std::vector<ThemeItem>& all();
// Null when no item has that caption (the separator lines, for one).
const ThemeItem* find(const QString& caption);

// The slider ranges of the size and margin editors.
constexpr int MinFontSize = 8;
constexpr int MaxFontSize = 24;
constexpr int MaxMargin = 1000;
// The text area never gets narrower or lower than this through a margin slider.
constexpr int MinTextWidth = 90;
constexpr int MinTextHeight = 60;

// The text area a view of viewSize (its width already less the scroll bar's allowance)
// shows for record: the pixels the four text scales give, truncated.
QRect textArea(const ThemeRecord& record, QSize viewSize);
// Whether setting a margin field to value keeps at least MinTextWidth pixels between the
// left and right margins (or MinTextHeight between top and bottom) in a view of viewSize.
bool marginAllowed(const ThemeRecord& record, int ThemeRecord::*margin, int value, QSize viewSize);

// What the preview shows: its lines (class 0 server, 1 other, 2 you) and the nick-list
// entries (rank letter and nickname), the user's own among them.
struct SampleLine
{
    int lineClass;
    QString text;
};
const QList<SampleLine>& sampleLines();
QStringList sampleNicks(const QString& ownNickname);

// The theme name a file chosen in "Save Theme" gives: the file's name with a ".qth"
// extension (any case) removed. Empty when nothing is left.
QString nameFromFile(const QString& path);
} // namespace ThemeItems

// The theme-use list as the uses editor changes it (entries as in ThemeFile::choose).
namespace ThemeUses {
// ",CH!unused!" and so on for the defaults; ",CH" + the trimmed argument for a channel,
// ",PC" and ",DC" for a nickname. Empty when those three have no argument.
QString token(ThemeUseKind kind, const QString& argument);
// Moves token to the entry of themeName (made when there is none): it leaves whichever
// entry held it before. Tokens match whole and without regard to case, so "#quorl" does
// not take a piece out of "#quorlirc".
void add(QStringList& uses, const QString& themeName, const QString& token);
// The uses of themeName's entry as the uses list shows them ("Channel #x", "Private: n",
// "DCC: n", "Channel Default", "Private Default", "DCC Default").
QStringList lines(const QStringList& uses, const QString& themeName);
// Removes the use a line of lines() stands for from themeName's entry. Default lines stand
// for no token: a default stays until another theme is given it. False when nothing
// was removed.
bool remove(QStringList& uses, const QString& themeName, const QString& line);
} // namespace ThemeUses

// The theme open in the theme editor: the record of its preview and what the page's
// buttons do with it. Nothing reaches a file until save().
class ThemeEditor : public QObject
{
    Q_OBJECT
public:
    ThemeEditor(const QString& programFolder, QStringList& themeUses, Prompts& prompts,
                QObject* parent = nullptr);

    bool isOpen() const { return open_; }
    const ThemeRecord& record() const { return theme_.record; }
    const QImage& background() const { return theme_.background; }
    QString programFolder() const { return programFolder_; }

    // Opens the theme of that name (the built-in "NewTheme1" included); the load's errors
    // stay in record().errors.
    void open(const QString& name);
    void close();
    // "New": asks "Create a New Theme?" while a theme is open; opens "NewTheme1".
    void newTheme();
    // "Save this Theme" with the file chosen in the dialog: the theme takes the file's
    // name and is written to the themes folder, whatever folder was chosen. False, with
    // a warning, when the name is unusable or the file cannot be written.
    bool saveAs(const QString& chosenFile);
    // "Delete this Theme": asks, deletes the file, offers to delete the picture too, then
    // closes. The theme-use entries stay as they are.
    void deleteTheme();

    // A change of one field; the preview shows it at once.
    void setColour(const ThemeItem& item, qint32 colour);
    void setFlag(const ThemeItem& item, bool value);
    void setText(const ThemeItem& item, const QString& text);
    void setNumber(const ThemeItem& item, int value);
    // False (and no change) when the text area of a view of viewSize would get too small.
    bool setMargin(const ThemeItem& item, int value, QSize viewSize);
    // "Background Pic": a file of the themes folder, shown from now on.
    void setPicture(const QString& fileName);

    // The uses editor on the open theme's entry.
    QStringList useLines() const;
    void addUse(ThemeUseKind kind, const QString& argument);
    void deleteUse(const QString& line);

Q_SIGNALS:
    void opened();
    void closed();
    // The record changed; the preview re-applies it.
    void changed();
    void usesChanged();
    // "Theme: " + name, "Theme Deleted".
    void titleChanged(const QString& title);

private:
    void loadPicture();

    QString programFolder_;
    QStringList& themeUses_;
    Prompts& prompts_;
    LoadedTheme theme_;
    bool open_ = false;
};
