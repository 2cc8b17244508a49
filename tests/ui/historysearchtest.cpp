// Ctrl+Shift+F searches the history of every window on every network: results newest
// first with their network and window, the searched word in bold; a result brings up its
// window.
#include "chat/pickerlayout.h"
#include "client/client.h"
#include "core/linelog.h"
#include "history/historystore.h"
#include "support/testmain.h"
#include "ui/dialogs/historysearchdialog.h"
#include "ui/mainwindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

class HistorySearchTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void searchesAcrossNetworks()
    {
        QTemporaryDir home;
        MainWindow form(home.path() + u'/');
        HistoryStore* store = form.client().history();
        QVERIFY(store);
        store->add({"libera", "#linux", 1000, 1, "alice", "the \x02kernel\x02 builds", {}});
        store->add({"oftc", "#debian", 2000, 1, "bob", "kernel panic", {}});
        store->add({"oftc", "#debian", 3000, 1, "bob", "nothing to see", {}});
        form.show();
        const QKeySequence search(QStringLiteral("Ctrl+Shift+F"));
        for (QShortcut* key : form.findChildren<QShortcut*>()) {
            if (key->key() == search)
                Q_EMIT key->activated();
        }
        HistorySearchDialog* dialog = nullptr;
        QTRY_VERIFY((dialog = form.findChild<HistorySearchDialog*>()));
        QTest::keyClicks(dialog->edit(), QStringLiteral("kernel"));
        QTest::keyClick(dialog->edit(), Qt::Key_Return);
        QTreeWidget* results = dialog->results();
        QTRY_COMPARE(results->topLevelItemCount(), 2);
        QCOMPARE(results->topLevelItem(0)->text(1), QStringLiteral("oftc"));
        QCOMPARE(results->topLevelItem(0)->text(2), QStringLiteral("#debian"));
        QCOMPARE(results->topLevelItem(1)->text(1), QStringLiteral("libera"));
        auto* line = qobject_cast<QLabel*>(results->itemWidget(results->topLevelItem(1), 3));
        QVERIFY(line);
        QCOMPARE(line->text(), QStringLiteral("the <b>kernel</b> builds"));

        // A DCC chat's line brings up that chat, not the private chat with the same peer;
        // once the chat is closed, a status line says it cannot be opened from here.
        WindowRegistry& windows = form.client().windows();
        ChatWindow* chat = windows.createPrivateWindow("dave", "d@host");
        ChatWindow* dcc = windows.createDccChatWindow("dave", {}, nullptr);
        windows.picker().selectRow(int(windows.indexOf(chat)));
        store->add({"libera", "=dave", 4000, 1, "dave", "sent directly", {}}, true);
        dialog->edit()->setText(QStringLiteral("directly"));
        QTest::keyClick(dialog->edit(), Qt::Key_Return);
        QTRY_COMPARE(results->topLevelItemCount(), 1);
        Q_EMIT results->itemActivated(results->topLevelItem(0), 0);
        QCOMPARE(windows.picker().selectedChatWindow(), dcc);
        windows.destroyChatWindow(dcc, true);
        Q_EMIT results->itemActivated(results->topLevelItem(0), 0);
        QVERIFY2(form.client().statusLog().last().startsWith("The DCC Chat with dave is closed"),
                 qPrintable(form.client().statusLog().last()));
    }
};

QUORL_TEST(HistorySearchTest)
#include "historysearchtest.moc"
