#pragma once

#include "sound/soundplayer.h"

#include <QStringList>

#include <memory>

class WavOutput;

// Plays PCM wave files through the module quorl_wavout (QtMultimedia, see
// sound/wavoutput.h). The module is loaded on the first complete wave played, and its
// output opens the audio device then, so a client which never plays a sound never maps
// QtMultimedia nor opens a device. Without the module every play does nothing, and the
// first one says why in one warning.
class WavPlayer : public SoundPlayer
{
public:
    // Where the module is looked for, in order: beside the program (its build folder, or a
    // portable install), where it is installed (<bindir>/../lib/quorlirc), and, for a
    // program or test run from inside the build folder, where the build puts it.
    static QStringList defaultModulePaths();

    // No paths: the default ones, worked out on the first play.
    explicit WavPlayer(QStringList modulePaths = {});
    ~WavPlayer() override;

    void play(const QString& path) override;
    bool isPlaying() const override;
    void stop() override;

    // The module is loaded and sees an audio output device.
    bool hasOutputDevice() const;

    // A RIFF WAVE file whose format and data chunks lie wholly inside it. QSoundEffect
    // waits for ever for the rest of any other file, reporting all the while that it is
    // playing, which would drop every later sound that yields; such files are not given
    // to it.
    static bool isCompleteWave(const QString& path);

private:
    bool ensureOutput();

    QStringList modulePaths_;
    bool loadFailed_ = false;
    std::unique_ptr<WavOutput> output_;
};
