#pragma once

#include <QString>

// The audio side of the wave player. It lives in the module quorl_wavout, the one part of
// the program that links QtMultimedia; WavPlayer loads the module on the first wave it
// plays, so a client that never plays one never maps QtMultimedia, PulseAudio and their
// codecs. The program and the module are built together from this header.
class WavOutput
{
public:
    virtual ~WavOutput() = default;

    // Without an output device an effect would claim to play for ever.
    virtual bool hasDevice() const = 0;
    // Replaces whatever is playing. Loading is asynchronous; a file that cannot be decoded
    // leaves the output idle.
    virtual void play(const QString& path) = 0;
    virtual bool isPlaying() const = 0;
    virtual void stop() = 0;
};

// The module's one exported function: a new output, which the caller owns and deletes
// while the module is loaded.
using WavOutputFactory = WavOutput* (*)();
inline constexpr char wavOutputFactoryName[] = "quorl_wavout_create";
