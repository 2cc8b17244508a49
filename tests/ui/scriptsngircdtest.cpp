// A new user's script against a real server: objects added from the shipped ones and
// set up in their dialogs greet, op and answer a second user; a menu mod written on its
// page runs its commands from the chat context menu.
#include "client/client.h"
#include "core/paths.h"
#include "support/ngircdserver.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"
#include "ui/chat/chatmenuwidget.h"
#include "ui/script/enterdialog.h"
#include "ui/script/objecteditordialog.h"
#include "ui/script/scriptdialogs.h"
#include "ui/script/scriptingpage.h"
#include "ui/settings/menumodpage.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// The second user, speaking raw IRC.
class Peer
{
public:
    bool connectTo(quint16 port, const QString& nick)
    {
        socket_.connectToHost(QHostAddress::LocalHost, port);
        if (!socket_.waitForConnected(3000))
            return false;
        send(u"NICK "_s + nick);
        send(u"USER p empty empty :Peer"_s);
        return waitFor(u" 376 "_s);
    }
    void send(const QString& line)
    {
        socket_.write(line.toUtf8() + "\r\n");
        socket_.flush();
    }
    // Waits for a line containing fragment; the lines before it are passed over.
    bool waitFor(const QString& fragment, int ms = 5000)
    {
        return QTest::qWaitFor(
            [&] {
                seen_ += QString::fromUtf8(socket_.readAll());
                const qsizetype at = seen_.indexOf(fragment);
                if (at < 0)
                    return false;
                const qsizetype end = seen_.indexOf(u"\r\n"_s, at);
                seen_ = end < 0 ? QString() : seen_.mid(end + 2);
                return true;
            },
            ms);
    }

private:
    QTcpSocket socket_;
    QString seen_;
};

void click(QWidget* parent, const QString& name)
{
    auto* button = parent->findChild<QAbstractButton*>(name);
    QVERIFY2(button, qPrintable(name));
    button->click();
}

// Adds a shipped object through the add dialog, checks it and opens its editor.
ObjectEditorDialog* addAndEdit(ScriptingPage& page, ObjectType type, const QString& file)
{
    page.addObject();
    auto* add = page.findChild<AddObjectDialog*>(u"soaddobject"_s);
    if (!add)
        return nullptr;
    const auto found = add->files()->findItems(file, Qt::MatchExactly);
    if (found.isEmpty())
        return nullptr;
    add->files()->setCurrentItem(found.first());
    click(add, u"Button1"_s);
    delete add;
    QListWidget* list = page.objectList();
    list->setCurrentRow(list->count() - 1);
    list->currentItem()->setCheckState(Qt::Checked);
    page.editObject();
    ObjectEditorDialog* editor = page.editor(type);
    return editor->isVisible() ? editor : nullptr;
}
} // namespace

class ScriptsNgircdTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void greeterAutoOpResponderAndMenuMod()
    {
        NgircdServer server;
        QVERIFY2(server.start(), qPrintable(server.error()));
        QTemporaryDir home;
        const QString root = home.path() + u'/';
        QVERIFY(Paths::prepareProgramFolder(root, QStringLiteral(QUORL_SOURCE_DATA_DIR)).isEmpty());
        ScriptedPrompts prompts;
        Client client(root, prompts);
        client.session().ident().setPort(0);
        client.options().user.nicknames = {u"quorl"_s};
        client.session().setNickname(u"quorl"_s);
        ScriptingPage page(client);

        ObjectEditorDialog* greeter = addAndEdit(page, ObjectType::Greet, u"Greeter.obj"_s);
        QVERIFY(greeter);
        greeter->findChild<QLineEdit*>(u"Edit1"_s)->setText(u"#room"_s);
        greeter->findChild<QRadioButton*>(u"RadioButton4"_s)->setChecked(true);
        click(greeter, u"Button4"_s);

        ObjectEditorDialog* op = addAndEdit(page, ObjectType::AutoOp, u"AutoOp.obj"_s);
        QVERIFY(op);
        op->findChild<QLineEdit*>(u"Edit1"_s)->setText(u"all"_s);
        click(op, u"Button2"_s);
        auto* prompt = op->findChild<EnterDialog*>(u"soenterform"_s);
        QVERIFY(prompt);
        prompt->field()->setText(u"friend!*@*."_s);
        click(prompt, u"Button1"_s);
        delete prompt;
        click(op, u"Button4"_s);

        ObjectEditorDialog* responder =
            addAndEdit(page, ObjectType::OnText, u"TextResponder.obj"_s);
        QVERIFY(responder);
        responder->findChild<QLineEdit*>(u"Edit1"_s)->setText(u"#room"_s);
        responder->findChild<QPlainTextEdit*>(u"Memo1"_s)->setPlainText(u"pong, <nick>"_s);
        responder->findChild<QPlainTextEdit*>(u"Memo2"_s)->setPlainText(u"ping\nhelp"_s);
        responder->findChild<QRadioButton*>(u"RadioButton4"_s)->setChecked(true);
        click(responder, u"Button4"_s);
        QCOMPARE(client.scripts().count(), 3);

        QVERIFY(client.connectToAddress(u"irc://127.0.0.1:"_s + QString::number(server.port()) +
                                        u"/room"_s));
        QVERIFY(
            QTest::qWaitFor([&] { return client.windows().findChannelWindow(u"#room"_s); }, 10000));
        ChatWindow* room = client.windows().findChannelWindow(u"#room"_s);
        // The channel's creator is its operator.
        QVERIFY(QTest::qWaitFor([&] { return room->myStatus == u"op"; }, 5000));

        Peer friendUser;
        QVERIFY(friendUser.connectTo(server.port(), u"friend"_s));
        friendUser.send(u"JOIN #room"_s);
        QVERIFY(friendUser.waitFor(u"PRIVMSG #room :Welcome to #room, friend!  Thanks for "
                                   "stopping by! If you have any questions about our channel, "
                                   "just ask quorl."_s));
        QVERIFY(friendUser.waitFor(u"MODE #room +o friend"_s));

        friendUser.send(u"PRIVMSG #room :can you help me ping it?"_s);
        QVERIFY(friendUser.waitFor(u"PRIVMSG #room :pong, friend"_s));

        // The menu mod, written on its page and chosen from the chat menu.
        QWidget owner;
        ChatMenuWidget menu(client, &owner);
        MenuModPage modPage(client.menuMods(), menu);
        modPage.pile()->setPlainText(
            u"Friends\n.Hello\n..Hi and Voice:/msg <channel> hi <nick>  /mode <channel> +v <nick>"_s);
        modPage.compileMenu();
        menu.prepare(room, {u"friend"_s});
        QMenu* hello = menu.modMenu()->actions().at(0)->menu();
        QVERIFY(hello);
        hello->actions().at(0)->trigger();
        QVERIFY(friendUser.waitFor(u"PRIVMSG #room :hi friend"_s));
        QVERIFY(friendUser.waitFor(u"MODE #room +v friend"_s));
        client.shutdown();
    }
};

QUORL_TEST(ScriptsNgircdTest)
#include "scriptsngircdtest.moc"
