// The Sound and File Server pages write what the user does into the options model and
// show what the model holds, the file server going Off when the server connection
// closes; the server page keeps a server's SASL login in the private sasl.ini, and a
// network's settings in the private networks.ini.
#include "client/client.h"
#include "settings/networksettings.h"
#include "settings/saslaccounts.h"
#include "support/fakeircserver.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"
#include "ui/settings/fileserverpage.h"
#include "ui/settings/networksettingsdialog.h"
#include "ui/settings/servertreepage.h"
#include "ui/settings/soundsettingspage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

class SettingsPagesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fileServerPage()
    {
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkpath(QStringLiteral("fileserver")));
        for (const char* name : {"fileserver/a.txt", "fileserver/b.txt", "fileserver/c.log"}) {
            QFile file(home.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        ScriptedPrompts prompts;
        Client client(home.path() + u'/', prompts);
        FileServerOptions& o = client.options().fileServer;
        o.greeting = QStringLiteral("b.txt");
        FileServerPage page(client);

        auto* greet = page.findChild<QListWidget*>(QStringLiteral("greet"));
        QVERIFY(greet);
        QCOMPARE(greet->count(), 2);
        QCOMPARE(greet->currentItem()->text(), QStringLiteral("b.txt"));
        QVERIFY(page.findChild<QRadioButton*>(QStringLiteral("RadioButton2"))->isChecked());
        QCOMPARE(o.root, home.path() + QStringLiteral("/Shared Files/"));

        page.findChild<QSlider*>(QStringLiteral("TrackBar2"))->setValue(7);
        page.findChild<QSlider*>(QStringLiteral("TrackBar3"))->setValue(25);
        greet->setCurrentRow(0);
        page.findChild<QRadioButton*>(QStringLiteral("RadioButton1"))->click();

        QCOMPARE(o.maxUsers, 7);
        QCOMPARE(page.findChild<QLabel*>(QStringLiteral("Label36"))->text(), QStringLiteral("7"));
        QCOMPARE(o.maxGets, 20);
        QCOMPARE(page.findChild<QLabel*>(QStringLiteral("Label37"))->text(), QStringLiteral("20"));
        QCOMPARE(o.greeting, QStringLiteral("a.txt"));
        QVERIFY(o.enabled);

        // The server dropping the connection takes the file server down: the page shows Off.
        FakeIrcServer server;
        QVERIFY(server.listen());
        client.session().ident().setPort(0);
        QSignalSpy closed(&client.session(), &Session::sessionClosed);
        QVERIFY(client.connectToAddress(QStringLiteral("irc://127.0.0.1:") +
                                        QString::number(server.port())));
        QVERIFY(server.waitForClient());
        server.closeClient();
        QVERIFY(closed.wait());
        QVERIFY(!o.enabled);
        QVERIFY(page.findChild<QRadioButton*>(QStringLiteral("RadioButton2"))->isChecked());
        QVERIFY(!page.findChild<QRadioButton*>(QStringLiteral("RadioButton1"))->isChecked());
    }

    void serverPageKeepsTheSaslLoginPrivate()
    {
        QTemporaryDir home;
        const QString folder = home.path() + u'/';
        ScriptedPrompts prompts;
        Client client(folder, prompts);
        ServerTree& tree = client.serverTree();
        QFile list(client.serverListPath());
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("SERVER LIST\r\n\tNet\r\n\t\tOne\r\n\t\t\tHOST: irc.one.example\r\n"
                   "\t\t\tPORT: 6667\r\n\t\tTwo\r\n\t\t\tHOST: Irc.Two.Example\r\n"
                   "\t\t\tPORT: +6697\r\n");
        list.close();
        tree.load(client.serverListPath(), 0);
        QVERIFY(!tree.loadFailed());
        ServerTreePage page(client);
        auto* account = page.findChild<QLineEdit*>(QStringLiteral("saslaccount"));
        auto* password = page.findChild<QLineEdit*>(QStringLiteral("saslpassword"));
        auto* save = page.findChild<QPushButton*>(QStringLiteral("saslsave"));
        QVERIFY(account && password && save);
        QCOMPARE(password->echoMode(), QLineEdit::Password);

        // A folder has no login to edit.
        tree.select(tree.nodeAt(1));
        QVERIFY(!account->isEnabled() && !save->isEnabled());

        // Typed for the second server (chosen by its port line), saved, private.
        tree.select(tree.nodeAt(7));
        QCOMPARE(page.saslHost(), QStringLiteral("Irc.Two.Example"));
        QVERIFY(account->isEnabled());
        const QString secret = QStringLiteral("s3cr=t ;pass");
        account->setText(QStringLiteral("joe"));
        password->setText(secret);
        save->click();
        const QFile::Permissions others =
            QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        QCOMPARE(QFile(SaslAccounts::fileName(folder)).permissions() & others,
                 QFile::Permissions());
        QCOMPARE(SaslAccounts::lookup(folder, QStringLiteral("irc.two.example")),
                 std::make_pair(QStringLiteral("joe"), secret));
        QCOMPARE(SaslAccounts::lookup(folder, QStringLiteral("irc.one.example")),
                 std::make_pair(QString(), QString()));
        for (const QString& line : client.statusLog().lines())
            QVERIFY2(!line.contains(secret), qPrintable(line));

        // The other server shows its own (none); coming back shows what was stored.
        tree.select(tree.nodeAt(2));
        QCOMPARE(account->text(), QString());
        QCOMPARE(password->text(), QString());
        tree.select(tree.nodeAt(5));
        QCOMPARE(account->text(), QStringLiteral("joe"));
        QCOMPARE(password->text(), secret);

        // Emptied and saved, the login is gone from the file.
        account->clear();
        password->clear();
        save->click();
        QCOMPARE(SaslAccounts::lookup(folder, QStringLiteral("irc.two.example")),
                 std::make_pair(QString(), QString()));
        QFile file(SaslAccounts::fileName(folder));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains(secret.toUtf8()));

        // The network the servers' folder stands for has its settings, edited in a dialog
        // and kept private beside what shutdown stored for it; an encoding the system
        // does not know is refused.
        auto* networkButton = page.findChild<QToolButton*>(QStringLiteral("connectbuttonnetwork"));
        QVERIFY(networkButton);
        tree.select(tree.nodeAt(0));
        QVERIFY(!networkButton->isEnabled());
        tree.select(tree.nodeAt(7));
        QVERIFY(networkButton->isEnabled());
        NetworkSettings expected;
        expected.openChannels = {QStringLiteral("#kept key")};
        NetworkSettingsFile stored(folder);
        QVERIFY(stored.load());
        stored.setSettings(QStringLiteral("Net"), expected);
        QVERIFY(stored.save());
        networkButton->click();
        auto* dialog = page.findChild<NetworkSettingsDialog*>();
        QVERIFY(dialog && dialog->isVisible());
        auto* atStart = dialog->findChild<QCheckBox*>(QStringLiteral("netconnectatstart"));
        auto* nicks = dialog->findChild<QLineEdit*>(QStringLiteral("netnicknames"));
        auto* channels = dialog->findChild<QPlainTextEdit*>(QStringLiteral("netchannels"));
        auto* commands = dialog->findChild<QPlainTextEdit*>(QStringLiteral("netcommands"));
        auto* encoding = dialog->findChild<QComboBox*>(QStringLiteral("netencoding"));
        auto* certificate = dialog->findChild<QLineEdit*>(QStringLiteral("netcertificate"));
        QVERIFY(atStart && nicks && channels && commands && encoding && certificate);
        atStart->setChecked(true);
        nicks->setText(QStringLiteral("one, two three"));
        channels->setPlainText(QStringLiteral("#a\n\n #b key \n"));
        commands->setPlainText(QStringLiteral("/msg NickServ IDENTIFY pw\n/mode one +x"));
        certificate->setText(QStringLiteral("/home/me/net.pem"));
        encoding->setCurrentText(QStringLiteral("no-such-encoding"));
        dialog->accept();
        QVERIFY(dialog->isVisible());
        encoding->setCurrentText(QStringLiteral("KOI8-R"));
        dialog->accept();
        QVERIFY(!dialog->isVisible());
        expected.connectAtStart = true;
        expected.nicknames = {QStringLiteral("one"), QStringLiteral("two"),
                              QStringLiteral("three")};
        expected.channels = {QStringLiteral("#a"), QStringLiteral("#b key")};
        expected.commands = {QStringLiteral("/msg NickServ IDENTIFY pw"),
                             QStringLiteral("/mode one +x")};
        expected.encoding = QStringLiteral("KOI8-R");
        expected.certificateFile = QStringLiteral("/home/me/net.pem");
        QVERIFY(stored.load());
        QCOMPARE(stored.settings(QStringLiteral("Net")), expected);
        QCOMPARE(QFile(NetworkSettingsFile::fileName(folder)).permissions() & others,
                 QFile::Permissions());
    }

    void soundPage()
    {
        ScriptedPrompts prompts;
        Client client(QStringLiteral("/tmp/quorl-test/"), prompts);
        SoundList& list = client.options().sound.soundlist;
        list.entry(4) = {true, QStringLiteral("/s/join - me.wav")};
        SoundSettingsPage page(client);

        auto* soundlist = page.findChild<QListWidget*>(QStringLiteral("soundlist"));
        QVERIFY(soundlist);
        QCOMPARE(soundlist->count(), SoundList::rowCount);
        QCOMPARE(soundlist->item(4)->text(),
                 QStringLiteral("You Joining Channel - /s/join - me.wav"));
        QCOMPARE(soundlist->item(4)->checkState(), Qt::Checked);

        soundlist->item(7)->setCheckState(Qt::Checked);
        QVERIFY(list.entry(7).checked);

        soundlist->setCurrentRow(4);
        page.findChild<QToolButton*>(QStringLiteral("ToolButton51"))->click();
        QCOMPARE(list.entry(4), SoundEntry());
        QCOMPARE(soundlist->item(4)->text(), QStringLiteral("You Joining Channel"));
        QCOMPARE(soundlist->item(4)->checkState(), Qt::Unchecked);
        for (const char* name : {"ToolButton50", "ToolButton52", "ToolButton53", "ToolButton55",
                                 "CheckBox14", "CheckBox15"})
            QVERIFY2(page.findChild<QWidget*>(QLatin1String(name)), name);
    }
};

QUORL_TEST(SettingsPagesTest)
#include "settingspagestest.moc"
