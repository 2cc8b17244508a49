#include "dcc/soundplayer.h"

#include "dcc/midiplayer.h"
#include "dcc/wavplayer.h"

Sounds::Sounds() : Sounds(std::make_unique<WavPlayer>(), std::make_unique<MidiPlayer>()) {}

Sounds::Sounds(std::unique_ptr<SoundPlayer> wavplayer, std::unique_ptr<SoundPlayer> midplayer)
    : wavplayer_(std::move(wavplayer)), midplayer_(std::move(midplayer))
{
}

Sounds::~Sounds() = default;

void Sounds::playSound(const QString& path, bool yieldIfBusy)
{
    // Callers used to lower-case every path, so ".WAV" must choose the wave player too.
    SoundPlayer& player =
        path.contains(QLatin1String(".wav"), Qt::CaseInsensitive) ? *wavplayer_ : *midplayer_;
    if (yieldIfBusy && player.isPlaying())
        return;
    player.play(path);
}

void Sounds::stopAll()
{
    for (SoundPlayer* player : {wavplayer_.get(), midplayer_.get()}) {
        if (player->isPlaying())
            player->stop();
    }
}
