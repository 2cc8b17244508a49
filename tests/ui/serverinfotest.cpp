// The server information page: the "Message of the Day" view follows the server view.
#include "chat/chatthemes.h"
#include "core/formatting.h"
#include "support/sessionfixture.h"
#include "support/testmain.h"
#include "ui/chat/chatview.h"
#include "ui/chat/serverinfowidget.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class ServerInfoTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void motdViewFollowsTheServerView()
    {
        SessionFixture s;
        QVERIFY(s.registerAs("Me"));
        QVERIFY(s.sync());
        // Lines from before the page existed are shown as well.
        const QStringList before = s.client.serverView().lines();

        ServerInfoWidget page(s.client.serverView(), ThemeRecord::newTheme1(), QString());
        QCOMPARE(page.objectName(), QStringLiteral("serverinfotabs"));
        QCOMPARE(page.tabText(0), QStringLiteral("Message of the Day"));
        QCOMPARE(page.widget(0), page.motdView());
        QCOMPARE(page.motdView()->document(), page.document());
        QCOMPARE(page.document()->plainLines(), before);

        s.server.sendLine(":irc.test 375 Me :- irc.test Message of the day -");
        s.server.sendLine(":irc.test 372 Me :- \x02Welcome\x02 to the test net");
        s.server.sendLine(":irc.test NOTICE Me :*** server notice");
        QVERIFY(s.sync());
        const QStringList shown = page.document()->plainLines();
        QStringList expected;
        for (const QString& line : s.client.serverView().lines())
            expected << stripFormatting(line);
        QCOMPARE(shown, expected);
        QVERIFY(shown.size() >= before.size() + 3);
        QVERIFY(shown.contains("- Welcome to the test net"));
        // The server's text is "Other" text, not client notices.
        const ChatDocument* doc = page.document();
        QCOMPARE(doc->wordStyle(doc->wordCount() - 1).lineClass, 1);

        s.session().endSession();
        QCOMPARE(page.document()->lineCount(), 0);
        QCOMPARE(page.document()->wordCount(), 0);

        s.client.serverView().add("after");
        QCOMPARE(page.document()->plainLines(), QStringList{"after"});
    }

    void serverViewTheme_data()
    {
        QTest::addColumn<QStringList>("uses");
        QTest::addColumn<QString>("expected");

        QTest::newRow("channel default")
            << QStringList{"light,CH#x", "dark,CH!unused!,PC!unused!", "light,PC!unused!"}
            << "dark";
        QTest::newRow("no default token") << QStringList{"light,CH#x"} << "light";
        QTest::newRow("default has no file") << QStringList{"gone,CH!unused!"} << "NewTheme1";
        QTest::newRow("unreadable file") << QStringList{"blank,CH!unused!"} << "NewTheme1";
        QTest::newRow("empty list") << QStringList{} << "NewTheme1";
    }
    void serverViewTheme()
    {
        QFETCH(QStringList, uses);
        QFETCH(QString, expected);

        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkpath("themes"));
        auto write = [&](const QString& name, const QByteArray& text) {
            QFile file(home.path() + "/themes/" + name + ".qth");
            return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
        };
        QVERIFY(write("Light", "[TEXT]\nbackcolor=16777215\nservercolor=0\nothercolor=1\n"
                               "youcolor=2\n"));
        QVERIFY(write("dark", "[TEXT]\nbackcolor=0\nservercolor=255\nothercolor=65280\n"
                              "youcolor=16711680\n"));
        // Other people's text in the background colour cannot be read.
        QVERIFY(write("blank", "[TEXT]\nbackcolor=0\nservercolor=255\nothercolor=0\n"
                               "youcolor=16711680\n"));

        const ThemeRecord theme = ChatThemes::serverViewTheme(home.path() + u'/', uses);
        QCOMPARE(theme.name, expected);
        QVERIFY(ChatThemes::isReadable(theme));
    }
};

QUORL_TEST(ServerInfoTest)
#include "serverinfotest.moc"
