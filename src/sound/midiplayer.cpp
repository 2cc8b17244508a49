#include "sound/midiplayer.h"

#include <fluidsynth.h>

#include <QFile>
#include <QLibrary>

#include <optional>
#include <type_traits>

namespace {
// FluidSynth and the many audio libraries it pulls in are loaded on the first MIDI sound,
// so a user who never plays one never pays for them in memory or start-up time.
struct FluidApi
{
    decltype(&::fluid_set_log_function) fluid_set_log_function = nullptr;
    decltype(&::new_fluid_settings) new_fluid_settings = nullptr;
    decltype(&::delete_fluid_settings) delete_fluid_settings = nullptr;
    decltype(&::fluid_settings_setstr) fluid_settings_setstr = nullptr;
    decltype(&::new_fluid_synth) new_fluid_synth = nullptr;
    decltype(&::delete_fluid_synth) delete_fluid_synth = nullptr;
    decltype(&::fluid_synth_sfload) fluid_synth_sfload = nullptr;
    decltype(&::fluid_synth_all_sounds_off) fluid_synth_all_sounds_off = nullptr;
    decltype(&::new_fluid_audio_driver) new_fluid_audio_driver = nullptr;
    decltype(&::delete_fluid_audio_driver) delete_fluid_audio_driver = nullptr;
    decltype(&::new_fluid_player) new_fluid_player = nullptr;
    decltype(&::delete_fluid_player) delete_fluid_player = nullptr;
    decltype(&::fluid_player_add) fluid_player_add = nullptr;
    decltype(&::fluid_player_play) fluid_player_play = nullptr;
    decltype(&::fluid_player_stop) fluid_player_stop = nullptr;
    decltype(&::fluid_player_get_status) fluid_player_get_status = nullptr;
    decltype(&::fluid_is_midifile) fluid_is_midifile = nullptr;
};

const FluidApi* fluid()
{
    static const std::optional<FluidApi> api = []() -> std::optional<FluidApi> {
        QLibrary library(QStringLiteral("fluidsynth"), 3);
        if (!library.load())
            return std::nullopt;
        FluidApi a;
        bool complete = true;
        auto resolve = [&](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
                library.resolve(name));
            complete = complete && function;
        };
        resolve(a.fluid_set_log_function, "fluid_set_log_function");
        resolve(a.new_fluid_settings, "new_fluid_settings");
        resolve(a.delete_fluid_settings, "delete_fluid_settings");
        resolve(a.fluid_settings_setstr, "fluid_settings_setstr");
        resolve(a.new_fluid_synth, "new_fluid_synth");
        resolve(a.delete_fluid_synth, "delete_fluid_synth");
        resolve(a.fluid_synth_sfload, "fluid_synth_sfload");
        resolve(a.fluid_synth_all_sounds_off, "fluid_synth_all_sounds_off");
        resolve(a.new_fluid_audio_driver, "new_fluid_audio_driver");
        resolve(a.delete_fluid_audio_driver, "delete_fluid_audio_driver");
        resolve(a.new_fluid_player, "new_fluid_player");
        resolve(a.delete_fluid_player, "delete_fluid_player");
        resolve(a.fluid_player_add, "fluid_player_add");
        resolve(a.fluid_player_play, "fluid_player_play");
        resolve(a.fluid_player_stop, "fluid_player_stop");
        resolve(a.fluid_player_get_status, "fluid_player_get_status");
        resolve(a.fluid_is_midifile, "fluid_is_midifile");
        if (!complete)
            return std::nullopt;
        return a;
    }();
    return api ? &*api : nullptr;
}

// Tried in this order. JACK is left out because opening it may start a JACK server, and
// the "file" driver would write the tune to disk instead of playing it.
constexpr const char* audioDrivers[] = {"pulseaudio", "pipewire", "alsa"};

void quietFluidSynth(const FluidApi& f)
{
    // FluidSynth prints its errors on stderr; a sound that cannot play is not worth one.
    for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        f.fluid_set_log_function(level, nullptr, nullptr);
}
} // namespace

struct MidiPlayer::Synth
{
    explicit Synth(const FluidApi& api) : f(api) {}

    const FluidApi& f;
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    fluid_audio_driver_t* driver = nullptr;
    fluid_player_t* player = nullptr;

    ~Synth()
    {
        dropPlayer();
        // The driver renders from the synth on its own thread, so it goes first.
        if (driver)
            f.delete_fluid_audio_driver(driver);
        if (synth)
            f.delete_fluid_synth(synth);
        if (settings)
            f.delete_fluid_settings(settings);
    }

    void dropPlayer()
    {
        if (!player)
            return;
        f.fluid_player_stop(player);
        f.delete_fluid_player(player);
        player = nullptr;
        // A stopped player leaves its sounding notes hanging.
        f.fluid_synth_all_sounds_off(synth, -1);
    }

    bool openDriver()
    {
        for (const char* name : audioDrivers) {
            if (f.fluid_settings_setstr(settings, "audio.driver", name) != FLUID_OK)
                continue; // not built into this FluidSynth
            driver = f.new_fluid_audio_driver(settings, synth);
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
    const FluidApi* f = fluid();
    if (!f)
        return false;
    quietFluidSynth(*f);
    if (!QFile::exists(soundFont_))
        return false;
    auto s = std::make_unique<Synth>(*f);
    s->settings = f->new_fluid_settings();
    if (!s->settings)
        return false;
    s->synth = f->new_fluid_synth(s->settings);
    if (!s->synth)
        return false;
    if (f->fluid_synth_sfload(s->synth, QFile::encodeName(soundFont_).constData(), 1) ==
        FLUID_FAILED)
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
    const FluidApi* f = fluid();
    if (!f || !f->fluid_is_midifile(file.constData()))
        return;
    if (!ensureSynth())
        return;
    synth_->player = f->new_fluid_player(synth_->synth);
    if (!synth_->player)
        return;
    if (f->fluid_player_add(synth_->player, file.constData()) != FLUID_OK ||
        f->fluid_player_play(synth_->player) != FLUID_OK)
        synth_->dropPlayer();
}

bool MidiPlayer::isPlaying() const
{
    return synth_ && synth_->player &&
           synth_->f.fluid_player_get_status(synth_->player) == FLUID_PLAYER_PLAYING;
}

void MidiPlayer::stop()
{
    if (synth_)
        synth_->dropPlayer();
}
