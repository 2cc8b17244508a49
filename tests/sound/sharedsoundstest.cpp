// Shared sounds: files other users name are taken from the sound folder only, requests
// are answered for the user's own nickname only, and CTCP SOUND on a DCC chat plays and
// shows like one from the server.
#include "sound/sharedsounds.h"
#include "core/options.h"
#include "support/fakesoundplayer.h"
#include "support/testmain.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

namespace {
bool writeFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("RIFF") == 4;
}

struct Offer
{
    QString nick;
    QString folder;
    QString fileName;
    bool operator==(const Offer&) const = default;
};
} // namespace

class SharedSoundsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // sounds/  Ding.WAV  tune.mid  in-link -> tune.mid  out-link -> ../secret.wav
    //          dangling -> nowhere.wav  sub/deep.wav
    // secret.wav
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        QDir base(dir_.path());
        QVERIFY(base.mkpath(QStringLiteral("sounds/sub")));
        for (const char* file :
             {"sounds/Ding.WAV", "sounds/tune.mid", "sounds/sub/deep.wav", "secret.wav"})
            QVERIFY(writeFile(path(file)));
        QVERIFY(QFile::link(path("sounds/tune.mid"), path("sounds/in-link")));
        QVERIFY(QFile::link(path("secret.wav"), path("sounds/out-link")));
        QVERIFY(QFile::link(path("sounds/nowhere.wav"), path("sounds/dangling")));
    }

    void soundFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("found"); // relative to the sound folder, "" for none

        QTest::newRow("exact") << "Ding.WAV"
                               << "Ding.WAV";
        QTest::newRow("other letter case") << "ding.wav"
                                           << "Ding.WAV";
        QTest::newRow("link inside") << "in-link"
                                     << "in-link";
        QTest::newRow("link leading outside") << "out-link"
                                              << "";
        QTest::newRow("dangling link") << "dangling"
                                       << "";
        QTest::newRow("upward") << "../secret.wav"
                                << "";
        QTest::newRow("backslash upward") << "..\\secret.wav"
                                          << "";
        QTest::newRow("sub-folder") << "sub/deep.wav"
                                    << "";
        QTest::newRow("absolute") << path("secret.wav") << "";
        QTest::newRow("dot dot") << ".."
                                 << "";
        QTest::newRow("a folder") << "sub"
                                  << "";
        QTest::newRow("missing") << "gone.wav"
                                 << "";
        QTest::newRow("empty") << ""
                               << "";
    }

    void soundFile()
    {
        QFETCH(QString, name);
        QFETCH(QString, found);
        // The folder as the user picked it: no trailing separator needed.
        const QString folder = path("sounds");
        QCOMPARE(soundFileIn(folder, name),
                 found.isEmpty() ? QString() : QDir(folder).filePath(found));
    }

    void answerSoundRequest_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("offered"); // the file name offered, "" for nothing

        QTest::newRow("own nick") << true << "!Me Ding.WAV"
                                  << "Ding.WAV";
        QTest::newRow("own nick in other case, name trimmed") << true << "!mE   ding.wav  "
                                                              << "Ding.WAV";
        QTest::newRow("name with a blank stays whole") << true << "!Me tune.mid x"
                                                       << "";
        QTest::newRow("another nickname") << true << "!Someone Ding.WAV"
                                          << "";
        QTest::newRow("requests not accepted") << false << "!Me Ding.WAV"
                                               << "";
        QTest::newRow("file not in the folder") << true << "!Me gone.wav"
                                                << "";
        QTest::newRow("path outside the folder") << true << "!Me ../secret.wav"
                                                 << "";
        QTest::newRow("link leading outside") << true << "!Me out-link"
                                              << "";
        QTest::newRow("no file named") << true << "!Me"
                                       << "";
        QTest::newRow("no nickname") << true << "! Ding.WAV"
                                     << "";
    }

    void answerSoundRequest()
    {
        QFETCH(bool, accept);
        QFETCH(QString, text);
        QFETCH(QString, offered);
        SoundOptions options;
        options.acceptRequests = accept;
        options.soundFolder = path("sounds");
        Sounds sounds{std::make_unique<FakeSoundPlayer>(), std::make_unique<FakeSoundPlayer>()};
        SharedSounds shared(options, path("unused"), sounds);
        shared.setOwnNickname([] { return QStringLiteral("Me"); });
        std::vector<Offer> offers;
        shared.setFileOffer([&](const QString& nick, const QString& folder, const QString& name) {
            offers.push_back({nick, folder, name});
        });

        QCOMPARE(shared.answerSoundRequest(QStringLiteral("bob"), text), !offered.isEmpty());

        if (offered.isEmpty()) {
            QVERIFY(offers.empty());
        } else {
            QCOMPARE(offers.size(), size_t(1));
            QCOMPARE(offers.front(), (Offer{"bob", path("sounds") + u'/', offered}));
        }
        QVERIFY(sounds.wavPlayer().isPlaying() == false);
    }

    void dccChatLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("wavBusy");
        QTest::addColumn<QString>("shown"); // "" when the line is no sound
        QTest::addColumn<QStringList>("played");

        const QString x(QChar(0x01));
        QTest::newRow("sound") << x + "SOUND Ding.WAV" + x << false << "*Bob Plays Ding.WAV"
                               << QStringList{"sounds/Ding.WAV"};
        QTest::newRow("keyword in any case, name trimmed")
            << x + "sound  ding.wav " + x << false << "*Bob Plays  ding.wav "
            << QStringList{"sounds/Ding.WAV"};
        QTest::newRow("a sound playing is not cut off")
            << x + "SOUND Ding.WAV" + x << true << "*Bob Plays Ding.WAV" << QStringList{};
        QTest::newRow("shown but not played from outside")
            << x + "SOUND ../secret.wav" + x << false << "*Bob Plays ../secret.wav"
            << QStringList{};
        QTest::newRow("action is no sound")
            << x + "ACTION waves" + x << false << "" << QStringList{};
        QTest::newRow("soundtrack is no sound")
            << x + "SOUNDTRACK a.wav" + x << false << "" << QStringList{};
        QTest::newRow("unframed") << "SOUND Ding.WAV" << false << "" << QStringList{};
        QTest::newRow("lone delimiter") << x << false << "" << QStringList{};
    }

    void dccChatLine()
    {
        QFETCH(QString, line);
        QFETCH(bool, wavBusy);
        QFETCH(QString, shown);
        QFETCH(QStringList, played);
        SoundOptions options;
        options.soundFolder = path("sounds") + u'/';
        auto* wav = new FakeSoundPlayer;
        wav->busy = wavBusy;
        Sounds sounds{std::unique_ptr<SoundPlayer>(wav), std::make_unique<FakeSoundPlayer>()};
        SharedSounds shared(options, path("unused"), sounds);

        const std::optional<QString> text = shared.receiveDccChatLine(QStringLiteral("Bob"), line);

        QCOMPARE(text.value_or(QString()), shown);
        QStringList expected;
        for (const QString& file : played)
            expected << dir_.filePath(file);
        QCOMPARE(wav->played, expected);
    }

    // With no folder chosen the program's own sound folder serves.
    void defaultFolder()
    {
        SoundOptions options;
        Sounds sounds{std::make_unique<FakeSoundPlayer>(), std::make_unique<FakeSoundPlayer>()};
        SharedSounds shared(options, path("sounds"), sounds);
        QCOMPARE(shared.soundFolder(), path("sounds") + u'/');
        QVERIFY(shared.playReceived(QStringLiteral("DING.wav")));
        QCOMPARE(static_cast<FakeSoundPlayer&>(sounds.wavPlayer()).played,
                 QStringList{path("sounds") + QStringLiteral("/Ding.WAV")});
    }

    // The folder's listing is kept between requests and taken again once the folder
    // changes.
    void aFileAddedLaterIsFound()
    {
        QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("later")));
        QVERIFY(writeFile(path("later/First.wav")));
        SoundOptions options;
        options.soundFolder = path("later");
        Sounds sounds{std::make_unique<FakeSoundPlayer>(), std::make_unique<FakeSoundPlayer>()};
        SharedSounds shared(options, path("unused"), sounds);
        // A folder that has not changed for a while: its listing is kept.
        QTest::qSleep(FolderNames::SettleMs + 100);
        QCOMPARE(shared.soundFile(QStringLiteral("first.WAV")), path("later/First.wav"));
        QCOMPARE(shared.soundFile(QStringLiteral("second.wav")), QString());

        QVERIFY(writeFile(path("later/Second.WAV")));
        QCOMPARE(shared.soundFile(QStringLiteral("second.wav")), path("later/Second.WAV"));

        // A file renamed while the folder's modification time is set back, as copies
        // that keep times do.
        QTest::qSleep(FolderNames::SettleMs + 100);
        QCOMPARE(shared.soundFile(QStringLiteral("first.WAV")), path("later/First.wav"));
        const QDateTime before = QFileInfo(path("later")).lastModified();
        QVERIFY(QFile::rename(path("later/First.wav"), path("later/Third.WAV")));
        QVERIFY(setModified(path("later"), before));
        QCOMPARE(QFileInfo(path("later")).lastModified(), before);
        QCOMPARE(shared.soundFile(QStringLiteral("third.wav")), path("later/Third.WAV"));
        QCOMPARE(shared.soundFile(QStringLiteral("first.wav")), QString());
    }

    void soundLine()
    {
        QCOMPARE(SharedSounds::soundLine(QStringLiteral("#c"), QStringLiteral("a b.wav")),
                 QStringLiteral("PRIVMSG #c :\x01SOUND a b.wav\x01"));
    }

private:
    static bool setModified(const QString& folder, const QDateTime& when)
    {
        const QByteArray name = QFile::encodeName(folder);
        const qint64 ms = when.toMSecsSinceEpoch();
        const timespec time{time_t(ms / 1000), long(ms % 1000) * 1000000};
        const timespec times[2] = {time, time};
        return ::utimensat(AT_FDCWD, name.constData(), times, 0) == 0;
    }

    QString path(const char* relative) const { return dir_.filePath(QLatin1String(relative)); }
    QString path(const QString& relative) const { return dir_.filePath(relative); }

    QTemporaryDir dir_;
};

QUORL_TEST(SharedSoundsTest)
#include "sharedsoundstest.moc"
