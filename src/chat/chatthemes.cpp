#include "chat/chatthemes.h"

#include "chat/chatwindow.h"
#include "theme/themefile.h"

#include <QDir>

namespace {
ThemeKind themeKindFor(ConversationKind conversationKind)
{
    switch (conversationKind) {
    case ConversationKind::Private:
        return ThemeKind::Private;
    case ConversationKind::DccChat:
        return ThemeKind::Dcc;
    default:
        return ThemeKind::Channel;
    }
}

// The name the themes folder knows the picture by, for a loaded theme that shows one.
void pinPictureName(const QString& programFolder, ThemeRecord& record)
{
    if (!record.tileon)
        return;
    const QString path = ThemeFile::findInThemesFolder(programFolder, record.tilename);
    if (!path.isEmpty())
        record.tilename = QDir(ThemeFile::themesFolder(programFolder)).relativeFilePath(path);
}
} // namespace

namespace ChatThemes {

ThemeRecord windowTheme(const QString& programFolder, const QStringList& themeUses,
                        ConversationKind conversationKind, const QString& name)
{
    const QString themeName = ThemeFile::choose(themeUses, themeKindFor(conversationKind), name);
    LoadedTheme loaded = ThemeFile::load(programFolder, themeName);
    pinPictureName(programFolder, loaded.record);
    return loaded.record;
}

ThemeRecord serverViewTheme(const QString& programFolder, const QStringList& themeUses)
{
    // "!unused!" as the target finds the entry holding the channel default token.
    ThemeRecord theme = windowTheme(programFolder, themeUses, ConversationKind::Channel,
                                    QStringLiteral("!unused!"));
    if (!isReadable(theme))
        return ThemeRecord::newTheme1();
    return theme;
}

bool isReadable(const ThemeRecord& theme)
{
    return theme.servercolor != theme.backcolor && theme.othercolor != theme.backcolor &&
           theme.youcolor != theme.backcolor;
}

} // namespace ChatThemes
