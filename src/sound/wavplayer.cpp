#include "sound/wavplayer.h"

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>
#include <QtEndian>

bool WavPlayer::isCompleteWave(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    const QByteArray riff = file.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return false;
    bool haveFormat = false;
    qint64 pos = 12;
    while (pos + 8 <= size) {
        if (!file.seek(pos))
            return false;
        const QByteArray header = file.read(8);
        if (header.size() < 8)
            return false;
        const qint64 length = qFromLittleEndian<quint32>(header.constData() + 4);
        if (pos + 8 + length > size)
            return false;
        const QByteArray id = header.left(4);
        if (id == "fmt ")
            haveFormat = length >= 16;
        else if (id == "data")
            return haveFormat && length > 0;
        pos += 8 + length + (length & 1); // chunks are padded to an even length
    }
    return false;
}

WavPlayer::WavPlayer() = default;
WavPlayer::~WavPlayer() = default;

void WavPlayer::play(const QString& path)
{
    if (effect_)
        effect_->stop();
    // Without an output device the effect would claim to play for ever.
    if (QMediaDevices::defaultAudioOutput().isNull() || !isCompleteWave(path))
        return;
    if (!effect_)
        effect_ = std::make_unique<QSoundEffect>();
    // Loading is asynchronous and playing starts once it is done; a file the effect cannot
    // decode puts it in its error state, which counts as idle.
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
