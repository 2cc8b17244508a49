#include "commands/themesend.h"

#include "chat/chatwindow.h"
#include "dcc/filesend.h"
#include "theme/themefile.h"

#include <QFileInfo>

namespace ThemeSend {

QString target(const ChatWindow& window, const QStringList& selectedNicks)
{
    if (window.conversationKind == ConversationKind::Channel)
        return selectedNicks.value(0);
    return window.peerNickname;
}

QStringList offer(FileSends& sends, const QString& programFolder, const QString& nick,
                  const ThemeRecord& theme)
{
    QStringList offered;
    // Files are offered by the names the themes folder knows them by; a picture in a
    // sub-folder goes from there.
    auto offerFile = [&](const QString& fileName) {
        const QString path = ThemeFile::findInThemesFolder(programFolder, fileName);
        if (path.isEmpty())
            return false;
        const QFileInfo info(path);
        sends.sendFile(nick, info.fileName(), info.absolutePath() + u'/', true);
        offered << info.fileName();
        return true;
    };
    if (nick.trimmed().isEmpty() || !offerFile(theme.name + QStringLiteral(".qth")))
        return offered;
    if (theme.tileon && !theme.tilename.isEmpty())
        offerFile(theme.tilename);
    return offered;
}

} // namespace ThemeSend
