#pragma once

#include "dcc/soundplayer.h"

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

private:
    std::unique_ptr<QSoundEffect> effect_;
};
