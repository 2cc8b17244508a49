#include "sound/sharedsounds.h"

#include "core/formatting.h"
#include "core/options.h"
#include "irc/outbound.h"
#include "sound/soundplayer.h"

#include <QDir>
#include <QFileInfo>

namespace {
QString withSlash(const QString& folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

bool isPlainName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(u'/') && !name.contains(u'\\') && !name.contains(QChar(0));
}
} // namespace

std::optional<SoundRequest> parseSoundRequest(const QString& text)
{
    if (!text.startsWith(u'!'))
        return std::nullopt;
    const qsizetype space = text.indexOf(u' ');
    if (space < 0)
        return std::nullopt;
    SoundRequest request{text.mid(1, space - 1), text.mid(space + 1).trimmed()};
    if (request.nickname.isEmpty() || request.fileName.isEmpty())
        return std::nullopt;
    return request;
}

QString FolderNames::find(const QString& folder, const QString& name)
{
    const QDateTime changed = QFileInfo(folder).metadataChangeTime();
    if (folder != folder_ || !settled_ || changed != changed_) {
        byFoldedName_.clear();
        const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        byFoldedName_.reserve(entries.size());
        for (const QString& entry : entries) {
            const QString folded = entry.toCaseFolded();
            if (!byFoldedName_.contains(folded))
                byFoldedName_.insert(folded, entry);
        }
        folder_ = folder;
        changed_ = changed;
        settled_ = changed.isValid() && changed.msecsTo(QDateTime::currentDateTimeUtc()) > SettleMs;
    }
    return byFoldedName_.value(name.toCaseFolded());
}

QString soundFileIn(const QString& folder, const QString& name, FolderNames* names)
{
    if (!isPlainName(name))
        return {};
    const QDir dir(folder);
    const QString top = QFileInfo(folder).canonicalFilePath();
    if (top.isEmpty())
        return {};
    QString path;
    if (QFileInfo(dir.filePath(name)).isFile()) {
        path = dir.filePath(name);
    } else {
        FolderNames once;
        const QString entry = (names ? names : &once)->find(folder, name);
        if (!entry.isEmpty())
            path = dir.filePath(entry);
    }
    // A link in the folder may lead anywhere; only what it leads to inside counts.
    const QString resolved = QFileInfo(path).canonicalFilePath();
    if (resolved.isEmpty() || !resolved.startsWith(withSlash(top)))
        return {};
    return path;
}

SharedSounds::SharedSounds(const SoundOptions& options, const QString& defaultFolder,
                           Sounds& sounds)
    : options_(options), defaultFolder_(withSlash(defaultFolder)), sounds_(sounds)
{
}

QString SharedSounds::soundFolder() const
{
    const QString chosen = options_.soundFolder.trimmed();
    return chosen.isEmpty() ? defaultFolder_ : withSlash(chosen);
}

QString SharedSounds::soundFile(const QString& name) const
{
    return soundFileIn(soundFolder(), name, &folderNames_);
}

bool SharedSounds::playReceived(const QString& name)
{
    const QString path = soundFile(name.trimmed().toLower());
    if (path.isEmpty())
        return false;
    sounds_.playSound(path, true);
    return true;
}

std::optional<QString> SharedSounds::receiveDccChatLine(const QString& peer, const QString& line)
{
    const QChar delimiter = Formatting::CtcpDelimiter;
    if (line.size() < 2 || !line.startsWith(delimiter) || !line.endsWith(delimiter))
        return std::nullopt;
    const QString body = line.mid(1, line.size() - 2);
    if (body.section(u' ', 0, 0).toLower() != QLatin1String("sound"))
        return std::nullopt;
    const QString rest = body.mid(6);
    playReceived(rest);
    return u'*' + peer + QStringLiteral(" Plays ") + rest;
}

bool SharedSounds::answerSoundRequest(const QString& requester, const QString& text)
{
    const std::optional<SoundRequest> request = parseSoundRequest(text);
    if (!request || !options_.acceptRequests || !ownNickname_ || !offerFile_)
        return false;
    if (request->nickname.compare(ownNickname_(), Qt::CaseInsensitive) != 0)
        return false;
    const QString path = soundFile(request->fileName);
    if (path.isEmpty())
        return false;
    const QFileInfo file(path);
    offerFile_(requester, withSlash(file.path()), file.fileName());
    return true;
}

QString SharedSounds::soundLine(const QString& target, const QString& fileName)
{
    return Outbound::ctcp(target, QStringLiteral("SOUND ") + fileName);
}
