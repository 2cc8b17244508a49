// Ctrl+Shift+F searches the history of every window on every network: results newest
// first with their network and window, the searched word in bold.
#include "client/client.h"
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
    }
};

QUORL_TEST(HistorySearchTest)
#include "historysearchtest.moc"
