// The sound entries of the chat context menu: who hears the sound, what goes on the
// wire to the byte, what the window shows, and where the dialog opens next time.
#include "commands/soundactions.h"
#include "chat/windowregistry.h"
#include "support/fakesoundplayer.h"
#include "support/registryfixture.h"
#include "support/testmain.h"

#include <QTest>

class SoundActionsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void playSound_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("channel");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("shown");

        const QString x(QChar(0x01));
        QTest::newRow("to the selected users")
            << "Play Sound to User" << true << QStringList{"ann", "bob"} << "Play a Sound to User"
            << QStringList{"PRIVMSG ann :" + x + "SOUND Bell Tone.wav" + x,
                           "PRIVMSG bob :" + x + "SOUND Bell Tone.wav" + x}
            << QStringList{"* Me Plays Bell Tone.wav to ann", "* Me Plays Bell Tone.wav to bob"};
        QTest::newRow("to the channel")
            << "Play Sound to Channel" << true << QStringList{"ann"} << "Play a Sound to #c"
            << QStringList{"PRIVMSG #c :" + x + "SOUND Bell Tone.wav" + x}
            << QStringList{"* Me Plays Bell Tone.wav"};
        QTest::newRow("to the partner of a private chat")
            << "Play Sound to User" << false << QStringList{} << "Play a Sound to User"
            << QStringList{"PRIVMSG eve :" + x + "SOUND Bell Tone.wav" + x}
            << QStringList{"* Me Plays Bell Tone.wav to eve"};
        QTest::newRow("no user selected: no one")
            << "Play Sound to User" << true << QStringList{} << "Play a Sound to User"
            << QStringList{} << QStringList{};
        QTest::newRow("sample: heard here only")
            << "Sample a Sound" << true << QStringList{"ann"} << "Sample a Sound" << QStringList{}
            << QStringList{};
    }

    void playSound()
    {
        QFETCH(QString, caption);
        QFETCH(bool, channel);
        QFETCH(QStringList, selected);
        QFETCH(QString, title);
        QFETCH(QStringList, sent);
        QFETCH(QStringList, shown);
        RegistryFixture f;
        auto* wav = new FakeSoundPlayer;
        wav->busy = true; // a sound the user picks cuts in
        Sounds sounds{std::unique_ptr<SoundPlayer>(wav), std::make_unique<FakeSoundPlayer>()};
        SoundActions actions([&f](const QString& line) { f.sent << line; }, f.registry, sounds,
                             f.options.sound, [&f] { return f.ownNick; });
        ChatWindow* window =
            channel ? f.registry.createChannelWindow(QStringLiteral("#c"))
                    : f.registry.createPrivateWindow(QStringLiteral("eve"), QStringLiteral("e@h"));
        const QStringList before = f.lines(window);
        f.sent.clear();

        QVERIFY(SoundActions::isSoundEntry(caption));
        QCOMPARE(SoundActions::dialogTitle(caption, *window), title);
        const QStringList targets = SoundActions::targets(caption, *window, selected);
        actions.soundChosen(caption, window, targets,
                            QStringLiteral("/home/me/My Sounds/Bell Tone.wav"));

        QCOMPARE(f.sent, sent);
        QCOMPARE(f.lines(window).mid(before.size()), shown);
        QCOMPARE(wav->played, QStringList{QStringLiteral("/home/me/My Sounds/Bell Tone.wav")});
        QCOMPARE(f.options.sound.playDialogFolder, QStringLiteral("/home/me/My Sounds/"));
    }

    // The window closed while the dialog was open: the sound still goes out.
    void windowClosedMeanwhile()
    {
        RegistryFixture f;
        Sounds sounds{std::make_unique<FakeSoundPlayer>(), std::make_unique<FakeSoundPlayer>()};
        SoundActions actions([&f](const QString& line) { f.sent << line; }, f.registry, sounds,
                             f.options.sound, [&f] { return f.ownNick; });
        actions.soundChosen(QStringLiteral("Play Sound to Channel"), nullptr,
                            {QStringLiteral("#c")}, QStringLiteral("/s/a.mid"));
        QCOMPARE(f.sent, QStringList{QStringLiteral("PRIVMSG #c :\x01SOUND a.mid\x01")});
    }
};

QUORL_TEST(SoundActionsTest)
#include "soundactionstest.moc"
