#pragma once

#include "theme/themerecord.h"

#include <QFlags>
#include <QImage>
#include <QString>
#include <QStringList>

// Theme files: "<name>.qth" in the "themes" folder of the program folder.

enum class ThemeKind { Channel, Private, Dcc };

// The parts of a chat view beyond its text area. A view without a text entry box or a
// nick list keeps its own values for those keys.
enum class ThemePart { TextEntry = 0x1, NickList = 0x2 };
Q_DECLARE_FLAGS(ThemeParts, ThemePart)
Q_DECLARE_OPERATORS_FOR_FLAGS(ThemeParts)

// A theme as a view takes it: the record and its background picture (null when the
// theme shows none).
struct LoadedTheme
{
    ThemeRecord record;
    QImage background;
};

namespace ThemeFile {

// The theme that never comes from a file.
QString builtInName();

// programFolder + "themes/".
QString themesFolder(const QString& programFolder);

// The path of fileName (relative to the themes folder), else of a file directly in the
// themes folder whose name matches it without regard to case (theme names in the use
// list are lower case, files keep the case they were given). Empty when there is none.
QString findInThemesFolder(const QString& programFolder, const QString& fileName);

// Fills theme from the theme named name. "NewTheme1" (any case) sets the built-in values
// and touches no file; a missing file gives the values of a file with no keys. Problems
// are collected in theme.record.errors, one message per end mark:
// - a text font that the font record cannot hold unchanged,
// - a background picture that cannot be read (the picture is then off and unnamed),
// - a number key that holds no number (the key keeps its default, the load goes on).
void load(const QString& programFolder, const QString& name, LoadedTheme& theme,
          ThemeParts parts = ThemeParts(ThemePart::TextEntry) | ThemePart::NickList);
LoadedTheme load(const QString& programFolder, const QString& name);

// Writes record to the file of record.name (an existing file of that name in other
// capitals is rewritten, keys it does not know stay). Returns false when the name is
// not a plain file name or the file cannot be written.
bool save(const QString& programFolder, const ThemeRecord& record);

// The theme name for a new window of kind for target (a channel name or a nickname):
// the first use entry containing "," + kind letters + the lower-cased target, else the
// last entry holding the kind's "!unused!" token, else the first entry. An empty list
// gives builtInName(), so a window always gets a readable theme.
QString choose(const QStringList& themeUses, ThemeKind kind, const QString& target);

} // namespace ThemeFile
