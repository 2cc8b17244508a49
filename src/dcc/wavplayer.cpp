#include "dcc/wavplayer.h"

#include <QSoundEffect>
#include <QUrl>

WavPlayer::WavPlayer() = default;
WavPlayer::~WavPlayer() = default;

void WavPlayer::play(const QString& path)
{
    if (!effect_)
        effect_ = std::make_unique<QSoundEffect>();
    effect_->stop();
    // The effect loads asynchronously and starts once loaded; a file it cannot open or
    // decode only moves it to its error state, which isPlaying() reports as idle.
    effect_->setSource(QUrl::fromLocalFile(path));
    effect_->play();
}

bool WavPlayer::isPlaying() const
{
    return effect_ && effect_->isPlaying() && effect_->status() != QSoundEffect::Error;
}

void WavPlayer::stop()
{
    if (effect_)
        effect_->stop();
}
