// Ctrl+Shift+F searches the history of every window on every network: results newest
// first with their network and window, the searched word in bold; a result brings up its
// window at its line.
#include "chat/chatwindow.h"
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
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

// Ctrl+Shift+F, and the dialog it opens.
HistorySearchDialog* openSearch(MainWindow& form)
{
    const QKeySequence search(QStringLiteral("Ctrl+Shift+F"));
    for (QShortcut* key : form.findChildren<QShortcut*>()) {
        if (key->key() == search)
            Q_EMIT key->activated();
    }
    return form.findChild<HistorySearchDialog*>();
}

} // namespace

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
        HistorySearchDialog* dialog = openSearch(form);
        QVERIFY(dialog);
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

    // A result whose line has left the window's memory brings the window back to that
    // line, read from the store with the lines around it, and marks it.
    void aResultOpensItsWindowAtItsLine()
    {
        QTemporaryDir home;
        MainWindow form(home.path() + u'/');
        HistoryStore* store = form.client().history();
        QVERIFY(store);
        store->sync(); // the file is open: lines get their rows as they are shown
        form.client().options().history.memoryLines = 100;
        WindowRegistry& windows = form.client().windows();
        ChatWindow* window = windows.createChannelWindow(QStringLiteral("#old"));
        form.show();
        windows.picker().selectRow(int(windows.indexOf(window)));
        for (int i = 0; i < 400; ++i)
            windows.addLine(window,
                            i == 20 ? QStringLiteral("<alice> the needle is here")
                                    : QStringLiteral("<bob> hay %1").arg(i),
                            LineClass::Other);
        QVERIFY(!window->document->plainLines().join(u'\n').contains("needle"));

        HistorySearchDialog* dialog = openSearch(form);
        QVERIFY(dialog);
        QSignalSpy shown(&windows, &WindowRegistry::storedLineShown);
        dialog->edit()->setText(QStringLiteral("needle"));
        QTest::keyClick(dialog->edit(), Qt::Key_Return);
        QTreeWidget* results = dialog->results();
        QTRY_COMPARE(results->topLevelItemCount(), 1);
        Q_EMIT results->itemActivated(results->topLevelItem(0), 0);
        QTRY_COMPARE(shown.size(), 1);
        const auto line = shown.at(0).at(1).value<qsizetype>();
        QCOMPARE(window->document->plainLine(line), QStringLiteral("<alice> the needle is here"));
        QCOMPARE(window->document->plainLine(line - 1), QStringLiteral("<bob> hay 19"));
        QVERIFY(window->document->hasMoreAfter());
        QVERIFY(window->document->lineCount() <= 100);

        // Asked again, the line is found where it is.
        Q_EMIT results->itemActivated(results->topLevelItem(0), 0);
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.at(1).at(1).value<qsizetype>(), line);
    }
};

QUORL_TEST(HistorySearchTest)
#include "historysearchtest.moc"
