#include "dcc/midiplayer.h"

#include <fluidsynth.h>

#include <QFile>

namespace {
// Tried in this order. JACK is left out because opening it may start a JACK server, and
// the "file" driver would write the tune to disk instead of playing it.
constexpr const char* audioDrivers[] = {"pulseaudio", "pipewire", "alsa"};

void quietFluidSynth()
{
    // FluidSynth prints its errors on stderr; a sound that cannot play is not worth one.
    for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, nullptr, nullptr);
}
} // namespace

struct MidiPlayer::Synth
{
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    fluid_audio_driver_t* driver = nullptr;
    fluid_player_t* player = nullptr;

    ~Synth()
    {
        dropPlayer();
        // The driver renders from the synth on its own thread, so it goes first.
        if (driver)
            delete_fluid_audio_driver(driver);
        if (synth)
            delete_fluid_synth(synth);
        if (settings)
            delete_fluid_settings(settings);
    }

    void dropPlayer()
    {
        if (!player)
            return;
        fluid_player_stop(player);
        delete_fluid_player(player);
        player = nullptr;
        // A stopped player leaves its sounding notes hanging.
        fluid_synth_all_sounds_off(synth, -1);
    }

    bool openDriver()
    {
        for (const char* name : audioDrivers) {
            if (fluid_settings_setstr(settings, "audio.driver", name) != FLUID_OK)
                continue; // not built into this FluidSynth
            driver = new_fluid_audio_driver(settings, synth);
            if (driver)
                return true;
        }
        return false;
    }
};

QString MidiPlayer::defaultSoundFont()
{
    return QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2");
}

MidiPlayer::MidiPlayer(const QString& soundFont) : soundFont_(soundFont) {}

MidiPlayer::~MidiPlayer() = default;

bool MidiPlayer::ensureSynth()
{
    if (synth_)
        return true;
    if (setupFailed_)
        return false;
    setupFailed_ = true; // until every step below has worked
    quietFluidSynth();
    if (!QFile::exists(soundFont_))
        return false;
    auto s = std::make_unique<Synth>();
    s->settings = new_fluid_settings();
    if (!s->settings)
        return false;
    s->synth = new_fluid_synth(s->settings);
    if (!s->synth)
        return false;
    if (fluid_synth_sfload(s->synth, QFile::encodeName(soundFont_).constData(), 1) == FLUID_FAILED)
        return false;
    if (!s->openDriver())
        return false;
    synth_ = std::move(s);
    setupFailed_ = false;
    return true;
}

void MidiPlayer::play(const QString& path)
{
    stop();
    const QByteArray file = QFile::encodeName(path);
    // A file that is missing or not MIDI would only make the player give up later, after
    // reporting itself as playing for a moment.
    if (!fluid_is_midifile(file.constData()))
        return;
    if (!ensureSynth())
        return;
    synth_->player = new_fluid_player(synth_->synth);
    if (!synth_->player)
        return;
    if (fluid_player_add(synth_->player, file.constData()) != FLUID_OK ||
        fluid_player_play(synth_->player) != FLUID_OK)
        synth_->dropPlayer();
}

bool MidiPlayer::isPlaying() const
{
    return synth_ && synth_->player &&
           fluid_player_get_status(synth_->player) == FLUID_PLAYER_PLAYING;
}

void MidiPlayer::stop()
{
    if (synth_)
        synth_->dropPlayer();
}
