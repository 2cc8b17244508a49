// The module quorl_wavout: the wave player's output through QtMultimedia.
#include "sound/wavoutput.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

#include <memory>

namespace {
class QtWavOutput final : public WavOutput
{
public:
    bool hasDevice() const override { return !QMediaDevices::defaultAudioOutput().isNull(); }

    void play(const QString& path) override
    {
        // The effect, and with it the audio device, is opened on the first sound.
        if (!effect_)
            effect_ = std::make_unique<QSoundEffect>();
        // A file the effect cannot decode puts it in its error state, which counts as idle.
        effect_->setSource(QUrl::fromLocalFile(path));
        effect_->play();
    }

    bool isPlaying() const override
    {
        return effect_ && effect_->isPlaying() && effect_->status() != QSoundEffect::Error;
    }

    void stop() override
    {
        if (effect_)
            effect_->stop();
    }

private:
    std::unique_ptr<QSoundEffect> effect_;
};
} // namespace

extern "C" Q_DECL_EXPORT WavOutput* quorl_wavout_create()
{
    return new QtWavOutput;
}
