#pragma once

#include <QString>

#include <memory>

// A device that plays one sound file at a time. Opening or playing may fail for any
// reason (no file, no audio device, a file it cannot decode); a player swallows that and
// simply is not playing.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;

    // Replaces whatever is playing.
    virtual void play(const QString& path) = 0;
    virtual bool isPlaying() const = 0;
    virtual void stop() = 0;
};

// The two players every sound goes through: `wavPlayer` for wave files and `midiPlayer`
// for everything else, so a MIDI tune and a wave effect can sound together.
class Sounds
{
public:
    // The real players; each opens its audio device only when it first plays.
    Sounds();
    Sounds(std::unique_ptr<SoundPlayer> wavPlayer, std::unique_ptr<SoundPlayer> midiPlayer);
    ~Sounds();

    // A yielding sound is dropped while its player is busy; any other one cuts in.
    void playSound(const QString& path, bool yieldIfBusy);
    void stopAll();

    SoundPlayer& wavPlayer() { return *wavPlayer_; }
    SoundPlayer& midiPlayer() { return *midiPlayer_; }

private:
    std::unique_ptr<SoundPlayer> wavPlayer_;
    std::unique_ptr<SoundPlayer> midiPlayer_;
};
