// The event-to-sound list: its rows as shown and their settings values.
#include "core/soundlist.h"
#include "support/testmain.h"

#include <QTest>

class SoundListTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The settings file addresses rows by index (s0 .. s34), so every caption keeps its place.
    void rowOrder()
    {
        const QStringList captions{
            "You Connecting to Server",
            "You Disconnecting from Server",
            "A User on your Notify List has Joined IRC",
            "A User on your Notify List has Left IRC",
            "You Joining Channel",
            "You Leaving Channel",
            "You Being Kicked from Channel",
            "A User is Joining Channel",
            "A User is Leaving Channel",
            "A User is Kicked from Channel",
            "A User is Quitting IRC",
            "You Receiving Invitation to Join a Channel",
            "You are Promoted to Channel Operator",
            "You are No longer Channel Operator",
            "You are Promoted to Channel Voice",
            "You are No longer Channel Voice",
            "A User is Promoted to Channel Operator",
            "A User is No longer Channel Operator",
            "A User is Promoted to Channel Voice",
            "A User is No longer Channel Voice",
            "Someone being Banned",
            "Someone being UnBanned",
            "You Changing Nickname",
            "A User is Changing Nickname",
            "A User is Requesting a Private Chat",
            "Inbound Message",
            "Inbound Action",
            "You Sending Message",
            "A User is Requesting a DCC Chat",
            "Inbound DCC File Transfer Request",
            "Inbound DCC File Transfer Finish",
            "Outbound DCC File Transfer Finish",
            "You are being Flooded",
            "Channel Topic has Changed",
            "Channel Mode has Changed",
        };
        QStringList shown;
        for (int row = 0; row < SoundList::rowCount; ++row)
            shown << SoundList::caption(row);
        QCOMPARE(shown, captions);
    }

    void rowText()
    {
        SoundList list;
        QCOMPARE(list.text(25), QStringLiteral("Inbound Message"));
        list.entry(25) = {true, QStringLiteral("/home/me/sounds/Ding Dong.wav")};
        QCOMPARE(list.text(25), QStringLiteral("Inbound Message - /home/me/sounds/Ding Dong.wav"));
        list.entry(25).checked = false;
        QCOMPARE(list.text(25), QStringLiteral("Inbound Message - /home/me/sounds/Ding Dong.wav"));
    }

    // A new file replaces the old and keeps the mark; unlinking clears both.
    void linkAndUnlink()
    {
        SoundList list;
        list.entry(4) = {true, QStringLiteral("/s/old.wav")};
        list.linkFile(4, QStringLiteral("/s/new.mid"));
        QCOMPARE(list.entry(4), (SoundEntry{true, QStringLiteral("/s/new.mid")}));
        list.linkFile(5, QStringLiteral("/s/x.wav"));
        QCOMPARE(list.entry(5), (SoundEntry{false, QStringLiteral("/s/x.wav")}));
        list.unlink(4);
        QCOMPARE(list.entry(4), SoundEntry());
        QCOMPARE(list.text(4), SoundList::caption(4));
    }

    void decode_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QString>("path");

        QTest::newRow("ticked") << "1,/s/a.wav" << true << "/s/a.wav";
        QTest::newRow("unticked keeps its path") << "0,/s/a.wav" << false << "/s/a.wav";
        QTest::newRow("read default") << "0," << false << "";
        QTest::newRow("empty") << "" << false << "";
        QTest::newRow("flag alone") << "1" << true << "";
        QTest::newRow("other flag means off") << "y,/s/a.wav" << false << "/s/a.wav";
        QTest::newRow("second character is dropped whatever it is")
            << "1;/s/a.wav" << true << "/s/a.wav";
        QTest::newRow("path trimmed") << "1,  /s/my sound.mid \t" << true << "/s/my sound.mid";
        QTest::newRow("dashes in the path") << "1,/s/a - b/c-d.wav" << true << "/s/a - b/c-d.wav";
    }

    void decode()
    {
        QFETCH(QString, value);
        const SoundEntry entry = decodeSoundSetting(value);
        QTEST(entry.checked, "checked");
        QTEST(entry.path, "path");
    }

    void roundTrip_data()
    {
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QString>("path");

        QTest::newRow("ticked wav") << true << "/home/me/Sounds/Join.WAV";
        QTest::newRow("unticked with path") << false << "/s/x.mid";
        QTest::newRow("nothing linked") << false << "";
        QTest::newRow("ticked, nothing linked") << true << "";
        QTest::newRow("separator inside path") << true << "/s/a - b/c,d.wav";
    }

    void roundTrip()
    {
        QFETCH(bool, checked);
        QFETCH(QString, path);
        const SoundEntry entry{checked, path};

        const QString value = encodeSoundSetting(entry);

        QCOMPARE(value.left(2), checked ? QStringLiteral("1,") : QStringLiteral("0,"));
        QCOMPARE(decodeSoundSetting(value), entry);
    }
};

QUORL_TEST(SoundListTest)
#include "soundlisttest.moc"
