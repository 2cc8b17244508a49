// Consumers read an option once and follow its group's changes: the chat windows keep the
// line limit the settings page or the settings file gave them, and lines do not read it.
#include "client/client.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"
#include "ui/settings/messagessettingspage.h"

#include <QFile>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

namespace {
// Adds lines to the window and returns how many it keeps.
qsizetype keptAfterLines(Client& client, ChatWindow* window, int lines)
{
    for (int i = 0; i < lines; ++i)
        client.windows().addLine(window, QStringLiteral("line %1").arg(i), LineClass::Other);
    return window->document->lineCount();
}

// A window over its limit drops a few lines at once (an eighth of the limit), so it
// keeps from a little under the limit up to the limit.
bool keepsTo(qsizetype kept, int limit)
{
    return kept <= limit && kept >= limit - limit / 8;
}
} // namespace

class SettingsChangesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lineLimitFollowsThePageAndTheFile()
    {
        QTemporaryDir home;
        QFile ini(home.filePath(QStringLiteral("quorl.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[DISPLAY]\nhistorylimit=24\n");
        ini.close();
        ScriptedPrompts prompts;
        Client client(home.path() + u'/', prompts);
        ChatWindow* before = client.windows().createChannelWindow(QStringLiteral("#before"));
        QVERIFY(client.readSettings());
        // The file's limit reaches a window opened before it was read.
        QVERIFY(keepsTo(keptAfterLines(client, before, 100), 24));

        MessagesSettingsPage page(client);
        auto* limit = page.findChild<QSpinBox*>(QStringLiteral("historylimit"));
        QVERIFY(limit);
        QCOMPARE(limit->value(), 24);
        limit->setValue(16);
        QCOMPARE(client.options().display.historyLimit, 16);
        ChatWindow* after = client.windows().createChannelWindow(QStringLiteral("#after"));
        QVERIFY(keepsTo(keptAfterLines(client, before, 100), 16));
        QVERIFY(keepsTo(keptAfterLines(client, after, 100), 16));

        // A change nobody announces is not seen: lines do not read the option.
        client.options().display.historyLimit = 0;
        QVERIFY(keepsTo(keptAfterLines(client, before, 100), 16));
        // Once announced, it is: no limit.
        client.settingsChanges().announce(OptionGroup::Display);
        QVERIFY(keptAfterLines(client, before, 100) > 100);
    }
};

QUORL_TEST(SettingsChangesTest)
#include "settingschangestest.moc"
