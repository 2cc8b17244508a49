// The Sound and File Server pages write what the user does into the options model and
// show what the model holds.
#include "client/client.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"
#include "ui/settings/fileserverpage.h"
#include "ui/settings/soundsettingspage.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
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
