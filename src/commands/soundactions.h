#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class Sounds;
class WindowRegistry;
struct ChatWindow;
struct SoundOptions;

// The sound entries of the chat context menu: "Play Sound to User", "Play Sound to
// Channel" and "Sample a Sound". The front end asks for a file with the dialog
// psounddialog; what follows the choice is here.
class SoundActions
{
public:
    using SendLine = std::function<void(const QString&)>;

    SoundActions(SendLine sendLine, WindowRegistry& windows, Sounds& sounds, SoundOptions& options,
                 std::function<QString()> ownNickname);

    static bool isSoundEntry(const QString& caption);
    // The title of psounddialog for an entry chosen in window.
    static QString dialogTitle(const QString& caption, const ChatWindow& window);
    // Who hears the sound: the selected users of a channel or the partner of a private
    // or DCC chat for "Play Sound to User", the channel for "Play Sound to Channel", no one
    // for "Sample a Sound".
    static QStringList targets(const QString& caption, const ChatWindow& window,
                               const QStringList& selectedNicks);

    // The user picked path for an entry: the dialog remembers its folder, the sound
    // plays here, and each target is sent the CTCP SOUND with the file name alone, shown
    // in window (which may have closed meanwhile and then be null).
    void soundChosen(const QString& caption, ChatWindow* window, const QStringList& targets,
                     const QString& path);

private:
    SendLine sendLine_;
    WindowRegistry& windows_;
    Sounds& sounds_;
    SoundOptions& options_;
    std::function<QString()> ownNickname_;
};
