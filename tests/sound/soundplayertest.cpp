// The real wave and MIDI players on a machine that may have no sound device, and the
// routing of playSound between them.
#include "client/client.h"
#include "sound/midiplayer.h"
#include "sound/wavplayer.h"
#include "support/fakesoundplayer.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cstring>

namespace {
bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Two seconds of silence: 8 kHz, mono, 16-bit PCM.
QByteArray silentWave()
{
    const quint32 dataSize = 8000 * 2 * 2;
    QByteArray wave(44, 0);
    char* h = wave.data();
    std::memcpy(h, "RIFF", 4);
    qToLittleEndian<quint32>(36 + dataSize, h + 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, h + 16);
    qToLittleEndian<quint16>(1, h + 20); // PCM
    qToLittleEndian<quint16>(1, h + 22);
    qToLittleEndian<quint32>(8000, h + 24);
    qToLittleEndian<quint32>(16000, h + 28);
    qToLittleEndian<quint16>(2, h + 32);
    qToLittleEndian<quint16>(16, h + 34);
    std::memcpy(h + 36, "data", 4);
    qToLittleEndian<quint32>(dataSize, h + 40);
    return wave + QByteArray(dataSize, 0);
}

// The shared objects this process has mapped whose file name starts with prefix.
bool mapped(const QString& prefix)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const qsizetype slash = line.lastIndexOf('/');
        if (slash >= 0 && line.mid(slash + 1).startsWith(prefix.toLocal8Bit()))
            return true;
    }
    return false;
}
} // namespace

class SoundPlayerTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        garbageWav_ = dir_.filePath(QStringLiteral("garbage.wav"));
        garbageMid_ = dir_.filePath(QStringLiteral("garbage.mid"));
        const QByteArray junk = QByteArray("RIFF\x10\0\0\0WAVEjunk", 16) + QByteArray(64, '\xff');
        QVERIFY(writeFile(garbageWav_, junk));
        QVERIFY(writeFile(garbageMid_, "MThd but not really a tune"));
        goodWav_ = dir_.filePath(QStringLiteral("silence.wav"));
        QVERIFY(writeFile(goodWav_, silentWave()));
        QVERIFY(WavPlayer::isCompleteWave(goodWav_));
    }

    // QtMultimedia comes with the wave module, which a client loads on its first wave and
    // not before. This must run before anything else in this process plays a wave.
    void waveModuleLoadsOnFirstPlay()
    {
        const QString module = QStringLiteral("quorl_wavout");
        const QString multimedia = QStringLiteral("libQt6Multimedia");
        QVERIFY2(!mapped(module) && !mapped(multimedia),
                 "mapped before any wave was played: linked, or an earlier test played one");
        ScriptedPrompts prompts;
        Client client(dir_.path() + u'/', prompts);
        client.options().sound.soundlist.entry(25) = {true, garbageWav_};
        client.events().fireEvent(Event::InboundMessage, EventSlots::about(QStringLiteral("bob")));
        auto& wav = static_cast<WavPlayer&>(client.sounds().wavPlayer());
        QVERIFY(!wav.isPlaying());
        QVERIFY2(!mapped(module) && !mapped(multimedia),
                 "loaded at start or for a wave that cannot play");

        // A module that fails to load, or lacks its factory, would say so in a warning.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("^wave sounds")));
        client.options().sound.soundlist.entry(25) = {true, goodWav_};
        client.events().fireEvent(Event::InboundMessage, EventSlots::about(QStringLiteral("bob")));

        QVERIFY(mapped(module));
        QVERIFY(mapped(multimedia));
        if (!wav.hasOutputDevice()) {
            qInfo("no audio output device here: only the loading was checked, not playback");
            QVERIFY(!wav.isPlaying());
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(wav.isPlaying(), 1500);
        client.sounds().stopAll();
        QTRY_VERIFY_WITH_TIMEOUT(!wav.isPlaying(), 1000);
    }

    // Without a loadable module every wave is silent, the player idle, and the first
    // play says why in a single warning.
    void waveModuleMissing_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("warning");

        QTest::newRow("no such file") << "absent.so"
                                      << "found none of .*/absent\\.so$";
        QTest::newRow("not a library") << "garbage.wav"
                                       << "Cannot load library .*garbage\\.wav";
        QTest::newRow("a function it needs is missing")
            << QUORL_UNBOUND_WAVOUT << "Cannot load library .*quorl_function_nothing_provides";
    }

    void waveModuleMissing()
    {
        QFETCH(QString, file);
        QFETCH(QString, warning);
        WavPlayer player({QDir(dir_.path()).filePath(file)});
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(QStringLiteral("^wave sounds are off: ") + warning));
        QTest::failOnWarning(QRegularExpression(QStringLiteral("^wave sounds")));

        player.play(goodWav_);
        player.play(goodWav_);

        QVERIFY(!player.isPlaying());
        QVERIFY(!player.hasOutputDevice());
        player.stop();
        QVERIFY(!player.isPlaying());
    }

    void playsRoutedByName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("wave");

        QTest::newRow("wav") << "/s/a.wav" << true;
        QTest::newRow("WAV") << "/s/A.WAV" << true;
        QTest::newRow("wav inside the name") << "/s/a.wav.bak" << true;
        QTest::newRow("mid") << "/s/a.mid" << false;
        QTest::newRow("anything else") << "/s/a.ogg" << false;
    }

    void playsRoutedByName()
    {
        QFETCH(QString, path);
        QFETCH(bool, wave);
        auto* wav = new FakeSoundPlayer;
        auto* mid = new FakeSoundPlayer;
        Sounds sounds{std::unique_ptr<SoundPlayer>(wav), std::unique_ptr<SoundPlayer>(mid)};

        sounds.playSound(path, true);

        QCOMPARE(wav->played, wave ? QStringList{path} : QStringList{});
        QCOMPARE(mid->played, wave ? QStringList{} : QStringList{path});
    }

    void stopAllStopsOnlyBusyPlayers()
    {
        auto* wav = new FakeSoundPlayer;
        auto* mid = new FakeSoundPlayer;
        Sounds sounds{std::unique_ptr<SoundPlayer>(wav), std::unique_ptr<SoundPlayer>(mid)};
        sounds.playSound(QStringLiteral("/s/a.mid"), false);

        sounds.stopAll();

        QCOMPARE(wav->stops, 0);
        QCOMPARE(mid->stops, 1);
        QVERIFY(!mid->isPlaying());
    }

    // A sound that cannot play must leave its player idle, or every later yielding sound
    // on it would be dropped.
    void unplayableFilesLeavePlayerIdle_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing wav") << "/nonexistent/quorl/missing.wav";
        QTest::newRow("garbage wav") << "garbage.wav";
        QTest::newRow("missing mid") << "/nonexistent/quorl/missing.mid";
        QTest::newRow("garbage mid") << "garbage.mid";
        QTest::newRow("empty path") << "";
    }

    void unplayableFilesLeavePlayerIdle()
    {
        QFETCH(QString, path);
        if (path.startsWith(u'g'))
            path = dir_.filePath(path);
        Sounds sounds;

        sounds.playSound(path, false);
        sounds.playSound(path, true);

        QTRY_VERIFY_WITH_TIMEOUT(
            !sounds.wavPlayer().isPlaying() && !sounds.midiPlayer().isPlaying(), 3000);
    }

    void completeWave_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("complete");

        const QByteArray format = QByteArray::fromHex("666d7420"
                                                      "10000000"
                                                      "0100"
                                                      "0100"
                                                      "401f0000"
                                                      "803e0000"
                                                      "0200"
                                                      "1000");
        const QByteArray data = QByteArray::fromHex("64617461"
                                                    "04000000"
                                                    "00000000");
        const auto riff = [](const QByteArray& body) {
            QByteArray size(4, 0);
            qToLittleEndian<quint32>(quint32(body.size() + 4), size.data());
            return "RIFF" + size + "WAVE" + body;
        };
        QTest::newRow("pcm") << riff(format + data) << true;
        QTest::newRow("extra chunk first") << riff(QByteArray::fromHex("4c495354"
                                                                       "03000000"
                                                                       "61626300") +
                                                   format + data)
                                           << true;
        QTest::newRow("data cut short") << riff(format + data.left(10)) << false;
        QTest::newRow("no format chunk") << riff(data) << false;
        QTest::newRow("chunk runs past the end")
            << riff(QByteArray("junk\xff\xff\xff\xff", 8)) << false;
        QTest::newRow("not riff") << QByteArray("MThd\0\0\0\x06", 8) << false;
        QTest::newRow("empty") << QByteArray() << false;
    }

    void completeWave()
    {
        QFETCH(QByteArray, bytes);
        const QString path = dir_.filePath(QStringLiteral("check.wav"));
        QVERIFY(writeFile(path, bytes));

        QTEST(WavPlayer::isCompleteWave(path), "complete");
    }

    void midiWithoutSoundFontStaysSilent()
    {
        MidiPlayer player(dir_.filePath(QStringLiteral("no-such-font.sf2")));
        const QString tune = dir_.filePath(QStringLiteral("tune.mid"));
        // Header and one track holding a single end-of-track event.
        const QByteArray smf = QByteArray::fromHex("4d546864000000060000000100604d54726b0000000"
                                                   "400ff2f00");
        QVERIFY(writeFile(tune, smf));

        player.play(tune);
        player.play(tune);

        QVERIFY(!player.isPlaying());
    }

    // The client's hook reads the sound list from the options and plays on real players.
    void clientEventWithUnplayableSound()
    {
        ScriptedPrompts prompts;
        Client client(dir_.path() + u'/', prompts);
        client.options().sound.soundlist.entry(25) = {true, garbageWav_};
        client.options().sound.soundlist.entry(4) = {true, garbageMid_};

        client.events().fireEvent(Event::InboundMessage, EventSlots::about(QStringLiteral("bob")));
        client.events().fireEvent(Event::YouJoiningChannel,
                                  EventSlots::about(QStringLiteral("#c")));

        QTRY_VERIFY_WITH_TIMEOUT(!client.sounds().wavPlayer().isPlaying() &&
                                     !client.sounds().midiPlayer().isPlaying(),
                                 3000);
    }

private:
    QTemporaryDir dir_;
    QString garbageWav_;
    QString garbageMid_;
    QString goodWav_;
};

QUORL_TEST(SoundPlayerTest)
#include "soundplayertest.moc"
