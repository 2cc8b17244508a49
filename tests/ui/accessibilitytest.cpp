// What a screen reader reads of the widgets the client draws itself, and that every
// control it can reach by keyboard has a name.
#include "chat/windowregistry.h"
#include "client/client.h"
#include "support/fakemeasurer.h"
#include "support/registryfixture.h"
#include "support/settingstabs.h"
#include "support/testmain.h"
#include "ui/chat/chatview.h"
#include "ui/chat/chatwindowwidget.h"
#include "ui/chat/nicklistview.h"
#include "ui/chat/pickerpanel.h"
#include "ui/chat/textentry.h"
#include "ui/mainwindow.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString allText(QAccessibleTextInterface* text)
{
    return text->text(0, text->characterCount());
}
} // namespace

class AccessibilityTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void chatViewReadsItsLinesAndAnnouncesChanges()
    {
        std::unique_ptr<ChatDocument> doc = makeDocument();
        ChatView view(doc.get());
        view.resize(300, 200);
        doc->appendLine(ChatDocument::Other, QStringLiteral("<amy> \x02hi\x02 \x03"
                                                            "4there"));

        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&view);
        QVERIFY(iface);
        // A terminal's role, so that a screen reader speaks the lines that arrive.
        QCOMPARE(iface->role(), QAccessible::Terminal);
        QVERIFY(iface->state().readOnly && iface->state().multiLine);
        QVERIFY(!iface->text(QAccessible::Name).isEmpty());
        QAccessibleTextInterface* text = iface->textInterface();
        QVERIFY(text);
        QCOMPARE(allText(text), QStringLiteral("<amy> hi there\n"));
        QCOMPARE(text->characterCount(), 15);
        QCOMPARE(text->text(6, 8), QStringLiteral("hi"));

        // The copy follows the document: new lines at the end, the oldest leaving at the
        // line limit, a clear. (The offscreen platform has no accessibility bridge, so
        // QAccessible drops the insert and remove events here.)
        doc->appendLine(ChatDocument::You, QStringLiteral("<Me> \x1Fyes\x1F"));
        QCOMPARE(allText(text), QStringLiteral("<amy> hi there\n<Me> yes\n"));
        QCOMPARE(text->text(15, 23), QStringLiteral("<Me> yes"));

        doc->setLineLimit(8);
        for (int i = 0; i < 7; ++i)
            doc->appendLine(ChatDocument::Other, QStringLiteral("n%1").arg(i));
        QVERIFY(doc->lineCount() < 9);
        const QString expected = doc->plainLines().join(u'\n') + u'\n';
        QVERIFY(!expected.contains(QStringLiteral("<amy>")));
        QCOMPARE(allText(text), expected);

        doc->clear();
        QCOMPARE(text->characterCount(), 0);
        doc->appendLine(ChatDocument::Other, QStringLiteral("after"));
        QCOMPARE(allText(text), QStringLiteral("after\n"));
    }

    // A screen reader speaks the lines that arrive where the keyboard is: Shift+Tab from
    // the text entry reaches the chat text, which says it has the focus; a click on the
    // text leaves the keyboard in the entry.
    void keyboardReachesTheChatText()
    {
        QTemporaryDir home;
        MainWindow form(home.path() + u'/');
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ChatWindow* chan = form.client().windows().createChannelWindow(QStringLiteral("#x"));
        form.client().windows().picker().selectRow(int(form.client().windows().indexOf(chan)));
        auto* container = qobject_cast<ChatWindowWidget*>(chan->container.data());
        QVERIFY(container && container->isVisible());
        ChatView* view = container->findChild<ChatView*>(QStringLiteral("chatview"));
        TextEntry* entry = container->textEntry();
        QTRY_VERIFY(entry->hasFocus());

        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(entry->hasFocus());
        QTest::keyClick(entry, Qt::Key_Backtab, Qt::ShiftModifier);
        QTRY_VERIFY(view->hasFocus());
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(view);
        QVERIFY(iface->state().focusable && iface->state().focused);
    }

    void nickListRowsAreListItemsWithTheirSelection()
    {
        RegistryFixture f;
        ChatWindow* chan = f.registry.createChannelWindow(QStringLiteral("#a"));
        f.registry.addNames(chan,
                            {QStringLiteral("zed"), QStringLiteral("@op"), QStringLiteral("+vee")});
        NickListView list(chan->nickList, [] { return QStringLiteral("Me"); });
        list.resize(120, 200);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QTRY_COMPARE(list.count(), 3);
        list.selectionModel()->select(list.model()->index(1, 0), QItemSelectionModel::Select);

        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&list);
        QVERIFY(iface);
        QCOMPARE(iface->role(), QAccessible::List);
        QVERIFY(!iface->text(QAccessible::Name).isEmpty());
        QStringList names;
        QList<bool> selected;
        for (int i = 0; i < iface->childCount(); ++i) {
            QAccessibleInterface* item = iface->child(i);
            if (item->role() != QAccessible::ListItem)
                continue;
            names << item->text(QAccessible::Name);
            selected << bool(item->state().selected);
        }
        QCOMPARE(names, QStringList({"@op", "+vee", "zed"}));
        QCOMPARE(selected, QList<bool>({false, true, false}));
    }

    void pickerRowsAreListItemsAndArrowKeysMoveThroughThem()
    {
        QTemporaryDir home;
        MainWindow form(home.path() + u'/');
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        WindowRegistry& windows = form.client().windows();
        ChatWindow* chan = windows.createChannelWindow(QStringLiteral("#test"));
        chan->highlighted = true;
        PickerPanel* picker = form.picker();

        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(picker);
        QVERIFY(iface);
        QCOMPARE(iface->role(), QAccessible::List);
        QCOMPARE(iface->text(QAccessible::Name), picker->accessibleName());
        QCOMPARE(iface->childCount(), int(windows.count()));
        int selectedRow = -1;
        for (int row = 0; row < iface->childCount(); ++row) {
            QAccessibleInterface* item = iface->child(row);
            QCOMPARE(item->role(), QAccessible::ListItem);
            QCOMPARE(item->parent(), iface);
            QCOMPARE(iface->indexOfChild(item), row);
            QCOMPARE(item->text(QAccessible::Name), windows.at(row)->label);
            if (item->state().selected)
                selectedRow = row;
        }
        QCOMPARE(selectedRow, 0);
        const int chanRow = int(windows.indexOf(chan));
        QVERIFY(iface->child(chanRow)->text(QAccessible::Description).contains("highlighted"));
        QVERIFY(iface->child(0)->text(QAccessible::Description).isEmpty());

        // The picker takes the keyboard; Down and Up select the next and previous rows
        // and keep it, even past a chat window's row, whose entry would take it on a click.
        picker->setFocus();
        QTRY_VERIFY(picker->hasFocus());
        const int last = iface->childCount() - 1;
        QTest::keyClick(picker, Qt::Key_End);
        QVERIFY(iface->child(last)->state().selected);
        QVERIFY(iface->child(last)->state().focused);
        QCOMPARE(iface->focusChild(), iface->child(last));
        QTest::keyClick(picker, Qt::Key_Up);
        QVERIFY(iface->child(last - 1)->state().selected);
        QVERIFY(!iface->child(last)->state().selected);
        QTest::keyClick(picker, Qt::Key_Home);
        for (int row = 0; row < chanRow; ++row)
            QTest::keyClick(picker, Qt::Key_Down);
        QVERIFY(iface->child(chanRow)->state().selected);
        QCOMPARE(windows.picker().selectedChatWindow(), chan);
        QVERIFY(picker->hasFocus());
        QTest::keyClick(picker, Qt::Key_Down);
        QVERIFY(iface->child(chanRow + 1)->state().selected);
    }

    // Arrowing through more windows than the picker shows keeps the selected row whole in
    // view, both ways, and a screen reader is not told it is off screen.
    void arrowingPastTheVisibleRowsScrollsThePicker()
    {
        QTemporaryDir home;
        MainWindow form(home.path() + u'/');
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        WindowRegistry& windows = form.client().windows();
        PickerPanel* picker = form.picker();
        const int shown = picker->height() / PickerLayout::RowHeight;
        while (windows.count() < 3 * shown)
            windows.createChannelWindow(QStringLiteral("#c%1").arg(windows.count()));
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(picker);
        const QRect panel(picker->mapToGlobal(QPoint(0, 0)), picker->size());
        auto selectedInView = [&](int row) {
            QAccessibleInterface* item = iface->child(row);
            return item->state().selected && !item->state().offscreen &&
                   panel.contains(item->rect());
        };

        picker->setFocus();
        QTRY_VERIFY(picker->hasFocus());
        QTest::keyClick(picker, Qt::Key_Home);
        const int last = int(windows.count()) - 1;
        for (int row = 1; row <= last; ++row) {
            QTest::keyClick(picker, Qt::Key_Down);
            QVERIFY2(selectedInView(row), qPrintable(QString::number(row)));
        }
        for (int row = last - 1; row >= 0; --row) {
            QTest::keyClick(picker, Qt::Key_Up);
            QVERIFY2(selectedInView(row), qPrintable(QString::number(row)));
        }
        QTest::keyClick(picker, Qt::Key_End);
        QVERIFY(selectedInView(last));
        QTest::keyClick(picker, Qt::Key_Home);
        QVERIFY(selectedInView(0));
        QVERIFY(picker->hasFocus());
    }

    void everyFocusableControlHasAName()
    {
        QTemporaryDir home;
        MainWindow form(home.path() + u'/');
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        WindowRegistry& windows = form.client().windows();
        ChatWindow* chan = windows.createChannelWindow(QStringLiteral("#named"));
        windows.addNames(chan, {QStringLiteral("amy")});
        showEverySettingsTab(form);

        QStringList unnamed;
        for (QWidget* w : form.findChildren<QWidget*>()) {
            // A spin box's own line edit is part of the spin box, a combo box's popup list
            // part of the combo box, an item view's editor part of its item: the
            // named control is the outer one.
            QWidget* parent = w->parentWidget();
            if (w->focusPolicy() == Qt::NoFocus || w->isWindow() || w->window() != &form ||
                qobject_cast<QAbstractSpinBox*>(parent) ||
                (parent && qobject_cast<QAbstractItemView*>(parent->parentWidget())))
                continue;
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
            if (iface && iface->text(QAccessible::Name).trimmed().isEmpty()) {
                unnamed << QStringLiteral("%1 \"%2\" in %3")
                               .arg(QLatin1String(w->metaObject()->className()), w->objectName(),
                                    w->parentWidget() ? w->parentWidget()->objectName()
                                                      : QString());
            }
        }
        for (const QString& control : unnamed)
            qWarning("no accessible name: %s", qPrintable(control));
        QCOMPARE(unnamed.size(), 0);
    }
};

QUORL_TEST(AccessibilityTest)
#include "accessibilitytest.moc"
