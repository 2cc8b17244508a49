#pragma once

#include "sound/soundplayer.h"

#include <memory>

class QSoundEffect;

// Plays PCM wave files through QtMultimedia. The effect, and with it the audio device,
// is created on the first play so that a client which never plays a sound never opens
// one.
class WavPlayer : public SoundPlayer
{
public:
    WavPlayer();
    ~WavPlayer() override;

    void play(const QString& path) override;
    bool isPlaying() const override;
    void stop() override;

    // A RIFF WAVE file whose format and data chunks lie wholly inside it. QSoundEffect
    // waits for ever for the rest of any other file, reporting all the while that it is
    // playing, which would drop every later sound that yields; such files are not given
    // to it.
    static bool isCompleteWave(const QString& path);

private:
    std::unique_ptr<QSoundEffect> effect_;
};
