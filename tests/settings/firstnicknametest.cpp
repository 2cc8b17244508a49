// A new program folder starts with the user's login name as the nickname when servers
// accept it; anything else keeps the old default, and a stored quorl.ini is left alone.
#include "client/client.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class FirstNicknameTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstNickname_data()
    {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QByteArray>("stored"); // quorl.ini before the first start
        QTest::addColumn<QString>("nickname");
        QTest::newRow("login name") << "alice" << QByteArray() << "alice";
        QTest::newRow("special characters") << "[j]oe_^" << QByteArray() << "[j]oe_^";
        QTest::newRow("digit first") << "9lives" << QByteArray() << "Yournick";
        QTest::newRow("dash first") << "-x" << QByteArray() << "Yournick";
        QTest::newRow("space") << "a b" << QByteArray() << "Yournick";
        QTest::newRow("dot") << "john.doe" << QByteArray() << "Yournick";
        QTest::newRow("too long") << QString(31, u'a') << QByteArray() << "Yournick";
        QTest::newRow("no login name") << "" << QByteArray() << "Yournick";
        QTest::newRow("stored file is read as before")
            << "alice" << QByteArray("[USER]\r\nnicks=Bob,Carl,\r\nlastnick=Carl\r\n") << "Carl";
    }

    void firstNickname()
    {
        QFETCH(QString, login);
        QFETCH(QByteArray, stored);
        QFETCH(QString, nickname);
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';
        const QString ini = folder + QStringLiteral("quorl.ini");
        if (!stored.isEmpty()) {
            QFile file(ini);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(stored);
        }
        Client::startNewSettings(folder, login);
        if (!stored.isEmpty()) {
            QFile file(ini);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), stored);
        }
        ScriptedPrompts prompts;
        Client client(folder, prompts);
        client.readSettings();
        QCOMPARE(client.options().user.nickname, nickname);
        QCOMPARE(client.session().currentNickname(), nickname);
        QVERIFY(client.options().user.nicknames.contains(nickname));
    }
};

QUORL_TEST(FirstNicknameTest)
#include "firstnicknametest.moc"
