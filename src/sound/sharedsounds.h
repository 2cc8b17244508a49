#pragma once

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

// The file of that name in folder, whatever its letter case, resolved through symbolic
// links; empty unless name is a plain file name and the file lies inside the folder.
QString soundFileIn(const QString& folder, const QString& name);

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
    // Nothing for any other line. The caller raises "Inbound SOUND".
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
};
