// The scripting page with its editor dialogs, and menu mods in the chat context menu.
#include "client/client.h"
#include "core/privateprofile.h"
#include "menu/menumod.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"
#include "ui/chat/chatmenuwidget.h"
#include "ui/script/enterdialog.h"
#include "ui/script/objecteditordialog.h"
#include "ui/script/scriptdialogs.h"
#include "ui/script/scriptingpage.h"
#include "ui/settings/menumodpage.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
struct PageFixture
{
    QTemporaryDir home;
    QString root = home.path() + u'/';
    ScriptedPrompts prompts;
    std::unique_ptr<Client> client;
    std::unique_ptr<ScriptingPage> page;

    PageFixture()
    {
        QDir(root).mkpath(u"scripts/objects"_s);
        client = std::make_unique<Client>(root, prompts);
        page = std::make_unique<ScriptingPage>(*client);
    }
    QString objectPath(const QString& name) const
    {
        return root + u"scripts/objects/"_s + name + u".obj"_s;
    }
    QByteArray bytes(const QString& name) const
    {
        QFile file(objectPath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Writes an object, adds it to the script, selects it and opens its editor.
    ObjectEditorDialog* edit(const QString& name, const QString& type, const QString& lines)
    {
        QFile file(objectPath(name));
        if (!file.open(QIODevice::WriteOnly))
            return nullptr;
        file.write(("[DATA]\r\ntype=" + type + u"\r\n"_s + lines).toUtf8());
        file.close();
        client->scripts().addObject(name + u".obj"_s);
        page->objectList()->setCurrentRow(int(client->scripts().entries().size()) - 1);
        page->editObject();
        for (const ObjectTypeInfo& info : objectTypes()) {
            if (info.keyword == type && page->editor(info.type)->isVisible())
                return page->editor(info.type);
        }
        return nullptr;
    }
    static void click(QWidget* parent, const QString& name)
    {
        auto* button = parent->findChild<QAbstractButton*>(name);
        QVERIFY2(button, qPrintable(name));
        button->click();
    }
    QString value(const QString& name, const QString& key) const
    {
        return PrivateProfile(objectPath(name)).value(u"DATA"_s, key, u"<none>"_s);
    }
};

QString names(int count)
{
    QString list;
    for (int i = 0; i < count; ++i)
        list += u"nick"_s + QString::number(i) + u',';
    return list;
}
} // namespace

class ScriptPagesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A long list opens as its first 101 entries; "Okay" writes those back, the chosen
    // send mode as its number, and the object list is read again.
    void greeterLoadsAndStores()
    {
        PageFixture f;
        ObjectEditorDialog* dialog =
            f.edit(u"G"_s, u"channelautogreet"_s,
                   u"channel=#x\r\nmessage=Hi\r\nsendto=1\r\nsendas=0\r\nsendnicklist="_s +
                       names(150) + u"\r\n"_s);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), u"Channel Auto-Greeter"_s);
        QCOMPARE(dialog->findChild<QListWidget*>(u"ListBox1"_s)->count(), 101);
        QVERIFY(dialog->findChild<QRadioButton*>(u"RadioButton5"_s)->isChecked());
        QVERIFY(dialog->findChild<QRadioButton*>(u"RadioButton1"_s)->isChecked());
        dialog->findChild<QRadioButton*>(u"RadioButton7"_s)->setChecked(true);
        dialog->findChild<QLineEdit*>(u"Edit1"_s)->setText(u"  ALL "_s);
        f.page->objectList()->item(0)->setCheckState(Qt::Checked);
        QCOMPARE(f.client->scripts().at(0).channel, u"#x"_s);
        PageFixture::click(dialog, u"Button4"_s);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(f.value(u"G"_s, u"sendas"_s), u"4"_s);
        QCOMPARE(f.value(u"G"_s, u"sendto"_s), u"1"_s);
        QCOMPARE(f.value(u"G"_s, u"channel"_s), u"ALL"_s);
        QCOMPARE(f.value(u"G"_s, u"sendnicklist"_s), names(101));
        QCOMPARE(f.value(u"G"_s, u"type"_s), u"channelautogreet"_s);
        QCOMPARE(f.client->scripts().at(0).channel, u"ALL"_s);
    }

    void twoNameListComesBackIdentical()
    {
        PageFixture f;
        ObjectEditorDialog* dialog = f.edit(u"Op"_s, u"channelautoop"_s,
                                            u"channel=#x\r\naddresslist=ann!*@h.x,bob!*@*.,\r\n"_s);
        QVERIFY(dialog);
        const QByteArray before = f.bytes(u"Op"_s);
        QCOMPARE(dialog->findChild<QListWidget*>(u"ListBox1"_s)->count(), 2);
        PageFixture::click(dialog, u"Button4"_s);
        QCOMPARE(f.bytes(u"Op"_s), before);
    }

    // Add goes through the entry prompt; a name listed in another letter case is not
    // added again. Delete needs a selection; Cancel writes nothing.
    void listEditingAndCancel()
    {
        PageFixture f;
        ObjectEditorDialog* dialog = f.edit(u"P"_s, u"channelautoprotect"_s,
                                            u"channel=#x\r\nnicklist=Ann,\r\nresponse=9\r\n"_s);
        QVERIFY(dialog);
        // A value no button stands for leaves the group as it was: nothing checked yet.
        for (const char* name : {"RadioButton1", "RadioButton2", "RadioButton3"})
            QVERIFY(!dialog->findChild<QRadioButton*>(QLatin1String(name))->isChecked());
        auto* list = dialog->findChild<QListWidget*>(u"ListBox1"_s);
        auto add = [&](const QString& text) {
            PageFixture::click(dialog, u"Button2"_s);
            auto* prompt = dialog->findChild<EnterDialog*>(u"soenterform"_s);
            QVERIFY(prompt && prompt->isVisible());
            QCOMPARE(prompt->windowTitle(), u"Enter Nickname"_s);
            prompt->field()->setText(text);
            PageFixture::click(prompt, u"Button1"_s);
            delete prompt;
        };
        add(u"aNN"_s);
        QCOMPARE(list->count(), 1);
        add(u" Bob "_s);
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(1)->text(), u"Bob"_s);
        list->clearSelection();
        PageFixture::click(dialog, u"Button5"_s);
        QCOMPARE(list->count(), 2);
        list->setCurrentRow(0);
        PageFixture::click(dialog, u"Button5"_s);
        QCOMPARE(list->count(), 1);
        const QByteArray before = f.bytes(u"P"_s);
        PageFixture::click(dialog, u"Button3"_s);
        QCOMPARE(f.bytes(u"P"_s), before);
    }

    void keysInTheResponder()
    {
        PageFixture f;
        ObjectEditorDialog* dialog =
            f.edit(u"R"_s, u"channelautoontext"_s,
                   u"channel=#x\r\nmessage=hi\r\nwordlist=hello,bye\r\nmessageoption=5\r\n"_s);
        QVERIFY(dialog);
        auto* words = dialog->findChild<QPlainTextEdit*>(u"Memo2"_s);
        QCOMPARE(words->toPlainText(), u"hello\nbye"_s);
        QVERIFY(dialog->findChild<QRadioButton*>(u"RadioButton6"_s)->isChecked());
        // Enter in a field or the message neither closes the dialog nor breaks the line.
        QTest::keyClick(dialog->findChild<QLineEdit*>(u"Edit1"_s), Qt::Key_Return);
        auto* message = dialog->findChild<QPlainTextEdit*>(u"Memo1"_s);
        message->moveCursor(QTextCursor::End);
        QTest::keyClick(message, Qt::Key_Return);
        QVERIFY(dialog->isVisible());
        QCOMPARE(message->toPlainText(), u"hi"_s);
        message->setPlainText(QString(600, u'm'));
        QCOMPARE(message->toPlainText().size(), 500);
        words->moveCursor(QTextCursor::End);
        QTest::keyClick(words, Qt::Key_B, Qt::ControlModifier);
        QTest::keyClick(words, Qt::Key_O, Qt::ControlModifier);
        PageFixture::click(dialog, u"Button4"_s);
        QCOMPARE(f.value(u"R"_s, u"wordlist"_s), u"hello,bye\x81\x85,"_s);
        QCOMPARE(f.value(u"R"_s, u"messageoption"_s), u"5"_s);
    }

    void renameAnswersEachRefusal()
    {
        PageFixture f;
        QVERIFY(f.edit(u"Other"_s, u"channelautovoice"_s, QString()));
        f.page->editor(ObjectType::AutoVoice)->reject();
        QVERIFY(f.edit(u"Greeter"_s, u"channelautogreet"_s, QString()));
        f.page->editor(ObjectType::Greet)->reject();
        f.page->renameObject();
        auto* dialog = f.page->findChild<RenameObjectDialog*>(u"sorenameobject"_s);
        QVERIFY(dialog && dialog->isVisible());
        auto attempt = [&](const QString& name) {
            dialog->field()->setText(name);
            PageFixture::click(dialog, u"Button1"_s);
            const auto boxes = dialog->findChildren<QMessageBox*>();
            return boxes.isEmpty() ? QString() : boxes.last()->text();
        };
        QCOMPARE(attempt(u"Other"_s),
                 u"That Script Object Name already exists.  Select another Name."_s);
        QCOMPARE(attempt(u"../x"_s), u"Invalid Name.  Select another Name."_s);
        QVERIFY(dialog->isVisible());
        dialog->field()->setText(u"Hello"_s);
        PageFixture::click(dialog, u"Button1"_s);
        QCOMPARE(f.page->objectList()->item(1)->text(), u"Hello"_s);
        QVERIFY(QFile::exists(f.objectPath(u"Hello"_s)));
    }

    // The compiled mod stands at position 14; a mod entry with a fixed caption runs the
    // fixed action, a nested one its command, one with children too; a mod whose first
    // line starts with "-" takes the previous one away.
    void menuModInTheChatMenu()
    {
        QTemporaryDir home;
        ScriptedPrompts prompts;
        Client client(home.path() + u'/', prompts);
        QWidget owner;
        ChatMenuWidget menu(client, &owner);
        MenuModPage page(client.menuMods(), menu);
        const int fixedCount = int(menu.actions().size());
        page.pile()->setPlainText(u"Mine\n.Clear:/msg x never\n.Sub\n..Topic:/showtopic"_s);
        page.compileMenu();
        QVERIFY(menu.modMenu());
        const QList<QAction*> top = menu.actions();
        QCOMPARE(top.size(), fixedCount + 2);
        QVERIFY(top.at(14)->isSeparator());
        QCOMPARE(top.at(15)->text(), u"Mine"_s);
        QCOMPARE(top.at(17)->text(), u"Leave"_s);

        ChatWindow* window = client.windows().createChannelWindow(u"#c"_s);
        window->topic = u"news"_s;
        client.windows().addLine(window, u"old line"_s, 0);
        menu.prepare(window, {});
        const QList<QAction*> mod = menu.modMenu()->actions();
        QCOMPARE(mod.size(), 2);
        mod.at(0)->trigger();
        QCOMPARE(window->document->plainLines(), QStringList());
        QMenu* sub = mod.at(1)->menu();
        QVERIFY(sub);
        sub->actions().at(0)->trigger();
        QCOMPARE(window->document->plainLines(), QStringList{u"TOPIC: news"_s});

        // An entry with both a command and children: its command leads its submenu.
        page.pile()->setPlainText(u"Mine\n.Show:/showtopic\n..Inner:/msg x y"_s);
        page.compileMenu();
        menu.prepare(window, {});
        QMenu* both = menu.modMenu()->actions().at(0)->menu();
        QVERIFY(both);
        QCOMPARE(both->title(), u"Show"_s);
        const QList<QAction*> inside = both->actions();
        QCOMPARE(inside.size(), 3);
        QCOMPARE(inside.at(0)->text(), u"Show"_s);
        QVERIFY(inside.at(1)->isSeparator());
        QCOMPARE(inside.at(2)->text(), u"Inner"_s);
        inside.at(0)->trigger();
        QCOMPARE(window->document->plainLines(), (QStringList{u"TOPIC: news"_s, u"TOPIC: news"_s}));

        page.pile()->setPlainText(u"-off\n.Clear:/clear"_s);
        page.compileMenu();
        QVERIFY(!menu.modMenu());
        QCOMPARE(menu.actions().size(), fixedCount);

        // "Compile and View Menu" opens the menu under its button.
        page.move(200, 150);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        auto* view = page.findChild<QPushButton*>(u"viewbutton"_s);
        view->click();
        QTRY_VERIFY(menu.isVisible());
        QCOMPARE(menu.pos(), view->mapToGlobal(QPoint(0, view->height())));
        menu.close();
    }
};

QUORL_TEST(ScriptPagesTest)
#include "scriptpagestest.moc"
