// Start and shutdown: the settings are read before the window shows anything, every
// start step runs whatever happened before it, and shutdown says goodbye to the server
// before it writes the settings.
#include "client/client.h"
#include "settings/startsequence.h"
#include "support/fakeircserver.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"
#include "ui/mainwindow.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

namespace {
void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QString folderOf(const QTemporaryDir& dir)
{
    return dir.path() + u'/';
}
} // namespace

class StartupTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyStepRunsAfterAFailedOne()
    {
        QStringList ran;
        StepSequence steps;
        steps.add("a", [&] {
            ran << "a";
            return true;
        });
        steps.add("b", [&] {
            ran << "b";
            return false;
        });
        steps.add("c", [&]() -> bool {
            ran << "c";
            throw std::runtime_error("broken");
        });
        steps.add("d", [&] {
            ran << "d";
            return true;
        });
        QCOMPARE(steps.run(), (QStringList{"b", "c"}));
        QCOMPARE(ran, (QStringList{"a", "b", "c", "d"}));
    }

    void windowShowsTheLoadedSettings()
    {
        QTemporaryDir home;
        writeFile(home.filePath("quorl.ini"),
                  "[USER]\nnicks=ada,Bob,\nlastnick=BOB\nname=Ada Lovelace\n"
                  "[IGNORE]\nfloodlines=25\ni0=pest\n"
                  "[MISC]\nwinstate=0\nwinx=40\nwiny=30\nwinwidth=700\nwinheight=500\n");
        MainWindow form(folderOf(home));
        QCOMPARE(form.windowTitle(), Product::mainCaption());
        QCOMPARE(form.findChild<QLineEdit*>("nametext")->text(), QStringLiteral("Ada Lovelace"));
        QCOMPARE(form.findChild<QLabel*>("Panel6")->text(),
                 QStringLiteral("Your Nickname is: Bob"));
        QCOMPARE(form.client().session().currentNickname(), QStringLiteral("Bob"));
        QCOMPARE(form.client().ignoreList().permanentNicknames(), QStringList{"pest"});
        QVERIFY(!form.isMaximized());
        QCOMPARE(form.size(), QSize(700, 500));
        QVERIFY(form.client().statusLog().lines().contains(Product::welcome()));
    }

    // The settings read fails (the file is a folder); the window is still placed, as
    // with a missing file: maximized.
    void showSequenceGoesOnAfterAFailedRead()
    {
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkdir("quorl.ini"));
        MainWindow form(folderOf(home));
        QVERIFY(!form.client().settingsRead());
        QVERIFY(form.windowState() & Qt::WindowMaximized);
        QCOMPARE(form.findChild<QComboBox*>("statuslist")->currentText(), Product::welcome());
        // What could not be read is not overwritten with defaults.
        form.close();
        QVERIFY(QFileInfo(home.filePath("quorl.ini")).isDir());
    }

    void closingWhileNotConnectedSendsNothingAndWritesSettings()
    {
        QTemporaryDir home;
        writeFile(home.filePath("quorl.ini"), "[MISC]\nwinstate=0\nwinx=10\nwiny=10\n"
                                              "winwidth=640\nwinheight=480\n[OLD]\nkeep=me\n");
        MainWindow form(folderOf(home));
        form.client().options().display.autoLog = true;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.resize(930, 690);
        QSignalSpy raw(&form.client().session(), &Session::rawLineRecorded);
        QVERIFY(form.close());
        QCOMPARE(raw.count(), 0);
        QVERIFY(form.client().shuttingDown());

        PrivateProfile ini(home.filePath("quorl.ini"));
        QCOMPARE(ini.value("MISC", "autolog"), QStringLiteral("1"));
        QCOMPARE(ini.value("MISC", "winstate"), QStringLiteral("0"));
        QCOMPARE(ini.value("MISC", "winwidth"), QStringLiteral("930"));
        QCOMPARE(ini.value("MISC", "winheight"), QStringLiteral("690"));
        QCOMPARE(ini.value("OLD", "keep"), QStringLiteral("me"));
    }

    void shutdownQuitsThenWritesSettings()
    {
        QTemporaryDir home;
        writeFile(home.filePath("quorl.ini"), "[USER]\nnicks=Yournick,\n[IGNORE]\ni0=old\n");
        ScriptedPrompts prompts;
        Client client(folderOf(home), prompts);
        client.session().ident().setPort(0);
        QVERIFY(client.readSettings());
        client.options().connection.sendQuitMessage = true;
        client.options().connection.quitMessage = "bye";
        // Only the permanent entry is kept.
        QVERIFY(client.ignoreList().addIgnore("brief", "*!*@x", 10));

        FakeIrcServer server;
        QVERIFY(server.listen());
        client.session().connectToKnownHost("127.0.0.1", server.port(), "Local - test");
        QVERIFY(server.waitForLine("USER "));
        // The file as it stood when QUIT left.
        QByteArray fileAtQuit;
        connect(&client.session(), &Session::rawLineRecorded, this, [&](const QString& line) {
            if (line.startsWith("QUIT")) {
                QFile f(client.settingsFileName());
                if (f.open(QIODevice::ReadOnly))
                    fileAtQuit = f.readAll();
            }
        });
        client.shutdown();
        QVERIFY(server.waitForLine("QUIT"));
        QCOMPARE(server.received().last(), QStringLiteral("QUIT :bye"));
        QVERIFY(!fileAtQuit.contains("bye"));
        QVERIFY(server.waitForDisconnect());

        PrivateProfile ini(client.settingsFileName());
        QCOMPARE(ini.value("MESSAGES", "quit"), QStringLiteral("bye"));
        QCOMPARE(ini.value("MESSAGES", "xquit"), QStringLiteral("1"));
        QCOMPARE(ini.value("IGNORE", "i0"), QStringLiteral("old"));
        QVERIFY(!ini.contains("IGNORE", "i1"));
        QVERIFY(client.statusLog().lines().contains("Shutting Down..."));
    }

    void settingsNeverReadAreNotWritten()
    {
        QTemporaryDir home;
        ScriptedPrompts prompts;
        Client client(folderOf(home), prompts);
        client.shutdown();
        QVERIFY(!QFile::exists(client.settingsFileName()));
    }

    void unwritableFileIsReported()
    {
        QTemporaryDir home;
        ScriptedPrompts prompts;
        Client client(folderOf(home) + "missing/", prompts);
        QVERIFY(client.readSettings());
        client.shutdown();
        QVERIFY(
            client.statusLog().lines().contains("Unable to write to " + client.settingsFileName()));
    }
};

QUORL_TEST(StartupTest)
#include "startuptest.moc"
