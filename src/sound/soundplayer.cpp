#include "sound/soundplayer.h"

#include "sound/midiplayer.h"
#include "sound/wavplayer.h"

Sounds::Sounds() : Sounds(std::make_unique<WavPlayer>(), std::make_unique<MidiPlayer>()) {}

Sounds::Sounds(std::unique_ptr<SoundPlayer> wavPlayer, std::unique_ptr<SoundPlayer> midiPlayer)
    : wavPlayer_(std::move(wavPlayer)), midiPlayer_(std::move(midiPlayer))
{
}

Sounds::~Sounds() = default;

void Sounds::playSound(const QString& path, bool yieldIfBusy)
{
    // Callers used to lower-case every path, so ".WAV" must choose the wave player too.
    SoundPlayer& player =
        path.contains(QLatin1String(".wav"), Qt::CaseInsensitive) ? *wavPlayer_ : *midiPlayer_;
    if (yieldIfBusy && player.isPlaying())
        return;
    player.play(path);
}

void Sounds::stopAll()
{
    for (SoundPlayer* player : {wavPlayer_.get(), midiPlayer_.get()}) {
        if (player->isPlaying())
            player->stop();
    }
}
