// "Send Theme...": the theme file and its picture go to the other user by DCC under
// the names the themes folder knows them by, and arrive whole with those names.
#include "commands/themesend.h"
#include "dccpeer.h"
#include "support/testmain.h"
#include "theme/themefile.h"

#include <QTest>

namespace {
bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

class ThemeSendTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void themeAndPictureArriveWhole()
    {
        DccPeer alice(QStringLiteral("alice"));
        DccPeer bob(QStringLiteral("bob"));
        bob.client->options().dcc.fileInboundAction = DccOptions::FileOffer::Get;
        QVERIFY(QDir(alice.home.path()).mkpath(QStringLiteral("themes")));
        const QString themes = alice.path(QStringLiteral("themes/"));
        const QByteArray picture(5000, 'p');
        QVERIFY(writeBytes(themes + QStringLiteral("Stone Wall.bmp"), picture));
        ThemeRecord rock = ThemeRecord::newTheme1();
        rock.name = QStringLiteral("Rock");
        rock.tileon = true;
        rock.tilename = QStringLiteral("Stone Wall.bmp");
        QVERIFY(ThemeFile::save(alice.home.path(), rock));

        // The window knows the theme by its lower-case name from the use list.
        rock.name = QStringLiteral("rock");
        const QStringList offered =
            ThemeSend::offer(alice.dcc().sends(), alice.home.path(), QStringLiteral("bob"), rock);
        QCOMPARE(offered, (QStringList{"Rock.qth", "Stone Wall.bmp"}));
        QCOMPARE(alice.sent.size(), 4);
        QVERIFY(alice.sent.at(0).startsWith("NOTICE bob :DCC Send \"Rock.qthzzz\" (127.0.0.1)"));
        QVERIFY(alice.sent.at(3).contains("DCC SEND \"Stone Wall.bmpzzz\" 2130706433 "));

        QCOMPARE(alice.relayTo(bob), 2);
        QTRY_COMPARE(readBytes(bob.folder() + QStringLiteral("Stone Wall.bmp")), picture);
        QTRY_COMPARE(readBytes(bob.folder() + QStringLiteral("Rock.qth")),
                     readBytes(themes + QStringLiteral("Rock.qth")));
    }

    // No theme file (a window of a theme that was deleted): nothing is offered.
    void missingThemeOffersNothing()
    {
        DccPeer alice(QStringLiteral("alice"));
        QVERIFY(QDir(alice.home.path()).mkpath(QStringLiteral("themes")));
        ThemeRecord gone = ThemeRecord::fileDefaults();
        gone.name = QStringLiteral("gone");
        QVERIFY(
            ThemeSend::offer(alice.dcc().sends(), alice.home.path(), QStringLiteral("bob"), gone)
                .isEmpty());
        QVERIFY(alice.sent.isEmpty());
    }
};

QUORL_TEST(ThemeSendTest)
#include "themesendtest.moc"
