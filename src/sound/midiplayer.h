#pragma once

#include "sound/soundplayer.h"

#include <QString>

#include <memory>

// Plays MIDI files with FluidSynth and a General MIDI sound font. The synthesiser, the
// sound font and the audio driver are set up on the first play; when any of them cannot
// be had, that play and every later one does nothing.
class MidiPlayer : public SoundPlayer
{
public:
    // The sound font of the Debian package timgm6mb-soundfont.
    static QString defaultSoundFont();

    explicit MidiPlayer(const QString& soundFont = defaultSoundFont());
    ~MidiPlayer() override;

    void play(const QString& path) override;
    bool isPlaying() const override;
    void stop() override;

private:
    struct Synth;

    bool ensureSynth();

    QString soundFont_;
    bool setupFailed_ = false;
    std::unique_ptr<Synth> synth_;
};
