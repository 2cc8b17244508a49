#include "commands/soundactions.h"

#include "chat/windowregistry.h"
#include "commands/useractions.h"
#include "core/options.h"
#include "irc/ircnames.h"
#include "sound/sharedsounds.h"
#include "sound/soundplayer.h"

#include <QFileInfo>

namespace {
const QString toUser = QStringLiteral("Play Sound to User");
const QString toChannel = QStringLiteral("Play Sound to Channel");
const QString sample = QStringLiteral("Sample a Sound");
} // namespace

SoundActions::SoundActions(SendLine sendLine, WindowRegistry& windows, Sounds& sounds,
                           SoundOptions& options, std::function<QString()> ownNickname)
    : sendLine_(std::move(sendLine)), windows_(windows), sounds_(sounds), options_(options),
      ownNickname_(std::move(ownNickname))
{
}

bool SoundActions::isSoundEntry(const QString& caption)
{
    return caption == toUser || caption == toChannel || caption == sample;
}

QString SoundActions::dialogTitle(const QString& caption, const ChatWindow& window)
{
    if (caption == toUser)
        return QStringLiteral("Play a Sound to User");
    if (caption == toChannel)
        return QStringLiteral("Play a Sound to ") + window.windowName();
    return sample;
}

QStringList SoundActions::targets(const QString& caption, const ChatWindow& window,
                                  const QStringList& selectedNicks)
{
    if (caption == toUser)
        return UserActions::targetsIn(&window, selectedNicks);
    if (caption == toChannel && window.conversationKind == ConversationKind::Channel)
        return {window.channelName};
    return {};
}

void SoundActions::soundChosen(const QString& caption, ChatWindow* window,
                               const QStringList& targets, const QString& path)
{
    const QFileInfo file(path);
    if (path.isEmpty() || file.fileName().isEmpty())
        return;
    options_.playDialogFolder = file.path() + u'/';
    // The path keeps its letter case: file names on this system are case-sensitive.
    sounds_.playSound(path, false);
    if (caption == sample)
        return;
    const QString own = ownNickname_ ? ownNickname_() : QString();
    for (const QString& target : targets) {
        sendLine_(SharedSounds::soundLine(target, file.fileName()));
        if (!window)
            continue;
        QString line = QStringLiteral("* ") + own + QStringLiteral(" Plays ") + file.fileName();
        if (!isChannelName(target))
            line += QStringLiteral(" to ") + target;
        windows_.addLine(window, line, LineClass::Server);
    }
}
