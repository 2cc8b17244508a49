#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

#include <functional>
#include <optional>

class Sounds;
struct SoundOptions;

// A request for a sound file: "!" + the owner's nickname + " " + the file name.
struct SoundRequest
{
    QString nickname;
    QString fileName;
};

// The request a message carries, or nothing when it is not of that form.
std::optional<SoundRequest> parseSoundRequest(const QString& text);

// The file names of a folder by their case-folded form, listed again only when the
// folder may have changed since: its status change time (which files added, removed or
// renamed set, and which cannot be set back) differs, or it changed so shortly before
// the listing that a change after it could carry the same time.
class FolderNames
{
public:
    // The folder's file whose name equals name without regard to case (the first in the
    // folder's name order), or empty.
    QString find(const QString& folder, const QString& name);

    // How long after a change the folder's time tells a later change apart: file times
    // come from a clock that lags by up to a scheduler tick.
    static constexpr qint64 SettleMs = 200;

private:
    QString folder_;
    QDateTime changed_;
    bool settled_ = false;
    QHash<QString, QString> byFoldedName_;
};

// The file of that name in folder, whatever its letter case, resolved through symbolic
// links; empty unless name is a plain file name and the file lies inside the folder.
// With names the folder's listing is taken from there.
QString soundFileIn(const QString& folder, const QString& name, FolderNames* names = nullptr);

// Shared sounds: sounds other users play on this client by CTCP SOUND, sounds the user
// plays to others, and the answers to other users' requests for sound files. Every file
// named by someone else is taken from the sound folder and from nowhere else.
class SharedSounds
{
public:
    // Offers a file by DCC send: the requester, the folder (ending in "/") and the name.
    using FileOffer =
        std::function<void(const QString& nick, const QString& folder, const QString& fileName)>;

    // defaultFolder stands in while the user has chosen no sound folder.
    SharedSounds(const SoundOptions& options, const QString& defaultFolder, Sounds& sounds);

    void setOwnNickname(std::function<QString()> ownNickname)
    {
        ownNickname_ = std::move(ownNickname);
    }
    void setFileOffer(FileOffer offer) { offerFile_ = std::move(offer); }

    // The sound folder, ending in "/".
    QString soundFolder() const;
    // The sound folder's file of that name, or empty (see soundFileIn).
    QString soundFile(const QString& name) const;

    // A CTCP SOUND from another user: the name, trimmed and lower-cased, is played from
    // the sound folder unless a sound plays already. False when there is no such file.
    bool playReceived(const QString& name);

    // A line received on a DCC chat that carries a CTCP SOUND: plays it as above and
    // returns the text the chat shows ("*" + peer + " Plays " + the name as sent).
    // Nothing for any other line. The caller raises Event::InboundSound.
    std::optional<QString> receiveDccChatLine(const QString& peer, const QString& line);

    // Offers the file to the requester when the request names the
    // user, requests are accepted and the file is in the sound folder. Otherwise nothing
    // happens and the requester gets no answer. True when the file was offered.
    bool answerSoundRequest(const QString& requester, const QString& text);

    // The CTCP SOUND that plays fileName on target's client.
    static QString soundLine(const QString& target, const QString& fileName);

private:
    const SoundOptions& options_;
    QString defaultFolder_;
    Sounds& sounds_;
    std::function<QString()> ownNickname_;
    FileOffer offerFile_;
    mutable FolderNames folderNames_;
};
