// Chat windows as a user meets them: the chat view inside the window, what its links do,
// and the theme a new window is given.
#include "client/client.h"
#include "commands/linkactions.h"
#include "support/registryfixture.h"
#include "support/testmain.h"
#include "ui/chat/chatview.h"
#include "ui/chat/chatwindowwidget.h"
#include "ui/chat/nicklistview.h"
#include "ui/chat/pickerpanel.h"
#include "ui/chat/textentry.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

namespace {
// A channel window of a registry, presented by its own container.
struct WindowFixture
{
    RegistryFixture f;
    Conversations conversations{[this](const QString& line) { f.sent << line; }, f.registry,
                                f.options};
    ChatWindow* window;
    QStringList questions;
    bool answer = true;
    QList<QUrl> opened;
    std::unique_ptr<ChatWindowWidget> widget;

    explicit WindowFixture(bool channel = true)
    {
        window = channel ? f.registry.createChannelWindow(QStringLiteral("#quorl"))
                         : f.registry.createPrivateWindow(QStringLiteral("bob"), QString());
        ChatWindowContext context;
        context.registry = &f.registry;
        context.conversations = &conversations;
        context.ownNickname = [this] { return f.ownNick; };
        context.options = &f.options;
        context.askYesNo = [this](const QString& question, std::function<void(bool)> reply) {
            questions << question;
            reply(answer);
        };
        context.openUrl = [this](const QUrl& url) { opened << url; };
        widget = std::make_unique<ChatWindowWidget>(*window, std::move(context));
        widget->resize(640, 400);
        widget->show();
    }

    bool exposed() { return QTest::qWaitForWindowExposed(widget.get()); }
    ChatView* view() const { return widget->view(); }

    // The first word record of the space-delimited word text (a long word is cut into
    // pieces), in the last line that holds it.
    qsizetype wordOf(const QString& text) const
    {
        const ChatDocument* doc = window->document.get();
        for (qsizetype i = doc->wordCount() - 1; i >= 0; --i) {
            const QString piece = doc->wordText(i).trimmed().toString();
            const bool startsWord =
                i == 0 || doc->isLineStart(i) || doc->wordText(i - 1).endsWith(u' ');
            if (!piece.isEmpty() && startsWord && text.startsWith(piece) &&
                (piece == text || !doc->wordText(i).endsWith(u' ')))
                return i;
        }
        return -1;
    }
    bool click(const QString& word, Qt::MouseButton button)
    {
        view()->catchUp(); // as the first mouse event would
        const QRect rect = view()->wordRect(wordOf(word));
        if (rect.isEmpty())
            return false;
        const QPoint at(rect.left() + rect.width() / 2 - 1, rect.center().y());
        QTest::mouseMove(view(), at);
        QTest::mousePress(view(), button, {}, at);
        QTest::mouseRelease(view(), button, {}, at);
        return true;
    }
};
} // namespace

class ChatWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void viewShowsLinesAddedToTheWindow()
    {
        WindowFixture w;
        QVERIFY(w.exposed());
        QCOMPARE(w.widget->findChild<ChatView*>(QStringLiteral("chatview")), w.view());
        QCOMPARE(w.view()->document(), w.window->document.get());

        w.f.registry.addLine(w.window, QStringLiteral("<bob> hello there"), LineClass::Other);
        w.f.registry.addLine(w.window, QStringLiteral("*** ann has Joined"), LineClass::Server);
        QCOMPARE(w.view()->document()->plainLines(),
                 QStringList({"<bob> hello there", "*** ann has Joined"}));
        // Painted, not only kept: the newest word is on screen below the first line once
        // the view has caught up.
        QTRY_VERIFY(!w.view()->wordRect(w.wordOf(QStringLiteral("Joined"))).isEmpty());
        const QRect first = w.view()->wordRect(w.wordOf(QStringLiteral("<bob>")));
        const QRect last = w.view()->wordRect(w.wordOf(QStringLiteral("Joined")));
        QVERIFY(!first.isEmpty() && !last.isEmpty());
        QVERIFY(last.top() > first.top());
    }

    void linkClicks_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("word");
        QTest::addColumn<bool>("rightButton");
        QTest::addColumn<bool>("privateSounds");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("newLine");
        QTest::addColumn<QString>("status");

        QTest::newRow("channel") << "<bob> come to @#chat now"
                                 << "@#chat" << false << false << QStringList{"JOIN #chat"} << ""
                                 << "Trying to Join #chat.";
        QTest::newRow("open channel") << "<bob> back to #Quorl"
                                      << "#Quorl" << false << false << QStringList{} << ""
                                      << "You are already on #Quorl.";
        QTest::newRow("sound to channel")
            << "<bob> listen: song.WAV"
            << "song.WAV" << false << false << QStringList{"PRIVMSG #quorl :!bob song.WAV"}
            << "- Requesting song.WAV from bob."
            << "";
        QTest::newRow("sound kept private")
            << "<bob> listen: tune.mid"
            << "tune.mid" << false << true << QStringList{"PRIVMSG bob :!bob tune.mid"}
            << "- Requesting tune.mid from bob."
            << "";
        QTest::newRow("sound right button")
            << "<bob> listen: a.mp3"
            << "a.mp3" << true << false << QStringList{"PRIVMSG #quorl :!bob a.mp3"}
            << "- Requesting a.mp3 from bob."
            << "";
        QTest::newRow("dcc chat offer") << "<bob> hi"
                                        << "<bob>" << true << false << QStringList{} << ""
                                        << LinkActions::dccChatUnavailable("bob");
    }
    void linkClicks()
    {
        QFETCH(QString, line);
        QFETCH(QString, word);
        QFETCH(bool, rightButton);
        QFETCH(bool, privateSounds);
        QFETCH(QStringList, sent);
        QFETCH(QString, newLine);
        QFETCH(QString, status);

        WindowFixture w;
        QVERIFY(w.exposed());
        w.f.options.sound.privateRequests = privateSounds;
        w.f.registry.addLine(w.window, line, LineClass::Other);
        const qsizetype statusBefore = w.f.status.count();
        QVERIFY(w.click(word, rightButton ? Qt::RightButton : Qt::LeftButton));

        QCOMPARE(w.f.sent, sent);
        const QStringList lines = w.f.lines(w.window);
        QCOMPARE(lines.last(), newLine.isEmpty() ? line : newLine);
        QCOMPARE(w.f.status.count(), statusBefore + (status.isEmpty() ? 0 : 1));
        if (!status.isEmpty())
            QCOMPARE(w.f.status.last(), status);
        QCOMPARE(w.f.registry.count(), 6); // no window was opened
    }

    void nicknameLinks_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("rightButton");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QStringList>("questions");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QString>("status");

        const QStringList sections{"Settings",     "Public Chat", "#quorl",
                                   "Private Chat", "DCC Chat",    "Files"};
        QStringList withBob = sections;
        withBob.insert(4, "bob");
        const QString question = "Are you sure you want to Start a DCC Chat with bob?";
        QTest::newRow("left opens a private chat")
            << "<bob> hi" << false << false << QStringList{} << withBob << "";
        QTest::newRow("own nickname is plain text")
            << "<Me> hi" << false << false << QStringList{} << sections << "";
        QTest::newRow("right asks, no")
            << "<bob> hi" << true << false << QStringList{question} << sections << "";
        QTest::newRow("right asks, yes") << "<bob> hi" << true << true << QStringList{question}
                                         << sections << LinkActions::dccChatUnavailable("bob");
    }
    void nicknameLinks()
    {
        QFETCH(QString, line);
        QFETCH(bool, rightButton);
        QFETCH(bool, answer);
        QFETCH(QStringList, questions);
        QFETCH(QStringList, labels);
        QFETCH(QString, status);

        WindowFixture w;
        QVERIFY(w.exposed());
        w.answer = answer;
        w.f.registry.addLine(w.window, line, LineClass::Other);
        const qsizetype statusBefore = w.f.status.count();
        QVERIFY(w.click(line.section(u' ', 0, 0), rightButton ? Qt::RightButton : Qt::LeftButton));
        QCOMPARE(w.questions, questions);
        QCOMPARE(w.f.labels(), labels);
        QCOMPARE(w.f.status.count(), statusBefore + (status.isEmpty() ? 0 : 1));
        QVERIFY(w.f.sent.isEmpty());
    }

    void soundRequestInPrivateChatGoesToThePeer()
    {
        // A private chat has no channel: the request goes to its peer, never to "".
        WindowFixture w(false);
        QVERIFY(w.exposed());
        w.f.registry.addLine(w.window, QStringLiteral("<bob> have x.wav"), LineClass::Other);
        QVERIFY(w.click(QStringLiteral("x.wav"), Qt::LeftButton));
        QCOMPARE(w.f.sent, QStringList{"PRIVMSG bob :!bob x.wav"});
    }

    void webLinks_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("addressText"); // what webLinkUrl alone gives

        // Opened as written: only the scheme and the host lose their capitals.
        QTest::newRow("bare www") << "www.Example.org/Path"
                                  << "http://www.example.org/Path"
                                  << "http://www.example.org/Path";
        QTest::newRow("capitals in the path") << "http://Quorl.Example/Docs/A.html"
                                              << "http://quorl.example/Docs/A.html"
                                              << "http://quorl.example/Docs/A.html";
        QTest::newRow("https") << "https://www.example.org/a?b=1"
                               << "https://www.example.org/a?b=1"
                               << "https://www.example.org/a?b=1";
        QTest::newRow("ftp") << "ftp://files.example.org"
                             << "ftp://files.example.org"
                             << "ftp://files.example.org";
        QTest::newRow("local file") << "file:///home/www.x"
                                    << ""
                                    << "";
        QTest::newRow("other scheme") << "javascript://www.example.org"
                                      << ""
                                      << "";
        QTest::newRow("no host") << "http://"
                                 << ""
                                 << "";
    }
    void webLinks()
    {
        QFETCH(QString, word);
        QFETCH(QString, opened);
        QFETCH(QString, addressText);

        QCOMPARE(LinkActions::webLinkUrl(word).toString(), addressText);

        WindowFixture w;
        QVERIFY(w.exposed());
        w.f.registry.addLine(w.window, QStringLiteral("see ") + word, LineClass::Other);
        QVERIFY(w.click(word, Qt::LeftButton));
        QCOMPARE(w.opened.size(), opened.isEmpty() ? 0 : 1);
        if (!opened.isEmpty())
            QCOMPARE(w.opened.first().toString(), opened);
        QVERIFY(w.f.sent.isEmpty());
    }

    void themeOfANewWindow_data()
    {
        QTest::addColumn<QString>("tilename");
        QTest::addColumn<QString>("pictureFile"); // written to themes/, empty for none
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QColor>("painted");

        const QColor back(0x11, 0x22, 0x33);
        const QColor picture(Qt::red);
        QTest::newRow("missing picture")
            << "nothere.bmp"
            << "" << QStringList{"THEME ERROR - Can't find nothere.bmp for Background."} << back;
        QTest::newRow("picture in other capitals") << "sky.png"
                                                   << "Sky.PNG" << QStringList{} << picture;
        QTest::newRow("bad font and picture")
            << "nothere.bmp"
            << ""
            << QStringList{"THEME ERROR - Can't use " + QString(40, u'F') +
                               " for SERVERFONT.  Using " + QString(31, u'F') + " instead.",
                           "THEME ERROR - Can't find nothere.bmp for Background."}
            << back;
    }
    void themeOfANewWindow()
    {
        QFETCH(QString, tilename);
        QFETCH(QString, pictureFile);
        QFETCH(QStringList, lines);
        QFETCH(QColor, painted);

        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkpath("themes"));
        const QString themes = home.path() + "/themes/";
        if (!pictureFile.isEmpty()) {
            QImage image(16, 16, QImage::Format_RGB32);
            image.fill(Qt::red);
            QVERIFY(image.save(themes + pictureFile));
        }
        QFile file(themes + "Painted.qth");
        QVERIFY(file.open(QIODevice::WriteOnly));
        // backcolor 0x332211 is #112233 on screen; white text; the picture tiled.
        QString text = "[TEXT]\nbackcolor=" + QString::number(0x332211) +
                       "\nservercolor=16777215\nothercolor=16777215\nyoucolor=16777215\n";
        if (QTest::currentDataTag() == QByteArray("bad font and picture"))
            text += "serverfont=" + QString(40, u'F') + "\n";
        text += "[IMAGES]\ntileon=true\ntilename=" + tilename + "\ntilestretch=false\n";
        file.write(text.toUtf8());
        file.close();

        MainWindow form(home.path() + u'/');
        form.client().options().display.themeUses = {"painted,CH!unused!,PC!unused!"};
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        WindowRegistry& windows = form.client().windows();
        ChatWindow* chan = windows.createChannelWindow("#sky");
        QCOMPARE(chan->theme.name, QStringLiteral("painted"));
        QCOMPARE(chan->document->plainLines(), lines);

        // Shown, the view paints the theme's background: the picture when it was found.
        QTest::mouseClick(form.picker(), Qt::LeftButton, {}, QPoint(50, 2 * 22 + 10));
        auto* container = qobject_cast<ChatWindowWidget*>(chan->container.data());
        QVERIFY(container && container->isVisible());
        ChatView* view = container->view();
        const QImage shot = view->grab().toImage();
        QCOMPARE(shot.pixelColor(view->width() - 30, view->height() - 5), painted);
    }

    void nickListKeepsSelectionAndScrollWhileMembersChange()
    {
        WindowFixture w;
        QVERIFY(w.exposed());
        QStringList names{"zed", "+Bob", "@op", "amy"};
        for (int i = 0; i < 200; ++i)
            names << QStringLiteral("u%1").arg(i, 3, 10, QLatin1Char('0'));
        w.f.registry.addNames(w.window, names);
        NickListView* list = w.widget->nickList();
        QTRY_COMPARE(list->count(), 204);
        QCOMPARE(list->rowText(0), QStringLiteral("@op"));
        QCOMPARE(list->rowText(1), QStringLiteral("+Bob"));
        QCOMPARE(list->rowText(2), QStringLiteral("amy"));
        QCOMPARE(list->rowText(203), QStringLiteral("zed"));

        const auto row = [list](int r) { return list->model()->index(r, 0); };
        list->selectionModel()->select(row(2), QItemSelectionModel::Select);
        list->selectionModel()->select(row(153), QItemSelectionModel::Select); // u150
        list->scrollTo(row(153));
        const int scrolled = list->verticalScrollBar()->value();
        QVERIFY(scrolled > 0);

        // A join above both and a nick change between them move every row below.
        w.f.registry.addMember(w.window, QStringLiteral("aaron"));
        QVERIFY(w.window->nickList.rename(QStringLiteral("u010"), QStringLiteral("bert")));
        QTRY_COMPARE(list->count(), 205);
        QCOMPARE(list->rowText(2), QStringLiteral("aaron"));
        QCOMPARE(list->selectedNicks(), QStringList({"amy", "u150"}));
        QCOMPARE(list->verticalScrollBar()->value(), scrolled);

        // A right click on a row outside the selection acts on that row alone.
        const QPoint at = list->visualRect(row(100)).center();
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &click);
        QCOMPARE(list->selectedNicks(), QStringList({list->rowText(100)}));
    }

    void themeColoursTheEntryAndNickList()
    {
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkpath("themes"));
        QFile file(home.path() + "/themes/Lists.qth");
        QVERIFY(file.open(QIODevice::WriteOnly));
        // Colours are 0x00BBGGRR: 255 is red, 65280 green.
        file.write("[TEXT]\ntextentrytextcolor=255\ntextentrybackcolor=65280\n"
                   "textentryfont=DejaVu Sans\ntextentryfontsize=14\n"
                   "nicklistbackcolor=255\nnicklistfont=DejaVu Sans\nnicklistfontsize=16\n");
        file.close();

        MainWindow form(home.path() + u'/');
        form.client().options().display.themeUses = {"lists,CH!unused!"};
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ChatWindow* chan = form.client().windows().createChannelWindow("#x");
        form.client().windows().addNames(chan, {"@op", "someone"});
        QTest::mouseClick(form.picker(), Qt::LeftButton, {}, QPoint(50, 2 * 22 + 10));
        auto* container = qobject_cast<ChatWindowWidget*>(chan->container.data());
        QVERIFY(container && container->isVisible());

        TextEntry* entry = container->textEntry();
        QCOMPARE(entry->font().pointSize(), 14);
        QCOMPARE(entry->palette().color(QPalette::Text), QColor(Qt::red));
        QCOMPARE(entry->palette().color(QPalette::Base), QColor(Qt::green));
        QCOMPARE(entry->height(), QFontMetrics(entry->font()).height() + 4);

        NickListView* nicks = container->nickList();
        QCOMPARE(nicks->font().pointSize(), 16);
        QCOMPARE(nicks->palette().color(QPalette::Base), QColor(Qt::red));
        QCOMPARE(nicks->visualRect(nicks->model()->index(0, 0)).height(),
                 QFontMetrics(nicks->font()).height() + 4);
    }

    void captionShowsTopicWithoutCodes_data()
    {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QString>("caption");
        QTest::newRow("bold") << "\x02news\x02 today"
                              << "#c: news today";
        QTest::newRow("colour pair") << "\x03"
                                        "12,15blue"
                                     << "#c: blue";
        QTest::newRow("digits after five are text") << "\x03"
                                                       "12,155x"
                                                    << "#c: 5x";
        QTest::newRow("reverse underline plain") << "\x16r\x1fu\x0fp"
                                                 << "#c: rup";
        QTest::newRow("no topic") << ""
                                  << "#c";
        QTest::newRow("codes only") << "\x02\x02"
                                    << "#c";
    }
    void captionShowsTopicWithoutCodes()
    {
        QFETCH(QString, topic);
        QFETCH(QString, caption);
        RegistryFixture f;
        ChatWindow* chan = f.registry.createChannelWindow("#c");
        f.registry.setTopic(chan, topic);
        QCOMPARE(WindowRegistry::captionFor(chan), caption);
    }
};

QUORL_TEST(ChatWindowTest)
#include "chatwindowtest.moc"
