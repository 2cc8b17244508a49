// The channel list: the LIST request forms, the row filter, receiving and re-filtering
// without a new request, the buttons' state through both, the page's buttons and the
// lines they send, and the favourites' entries.
#include "settings/channellist.h"
#include "client/client.h"
#include "support/scriptedprompts.h"
#include "support/sessionfixture.h"
#include "support/testmain.h"
#include "ui/settings/channellistpage.h"

#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <functional>

using namespace Qt::StringLiterals;

namespace {
struct ListFixture
{
    ChannelList list;
    QStringList sent;
    QStringList status;
    QString server = QStringLiteral(":irc.example.org");
    bool connected = true;
    ListFixture()
    {
        ChannelList::Hooks hooks;
        hooks.sendLine = [this](const QString& line) { sent << line; };
        hooks.statusLine = [this](const QString& text) { status << text; };
        hooks.connected = [this] { return connected; };
        hooks.serverName = [this] { return server; };
        hooks.expectedCount = [] { return 0; };
        list.setHooks(hooks);
    }
    void receive(const QStringList& rows)
    {
        list.handleReply(321, QStringLiteral("Channel :Users  Name"));
        for (const QString& row : rows)
            list.handleReply(322, row);
        list.handleReply(323, QStringLiteral(":End of /LIST"));
    }
    QStringList shown() const
    {
        QStringList names;
        for (int i = 0; i < list.rowCount(); ++i)
            names << list.channelAt(i);
        return names;
    }
};
} // namespace

class ChannelListTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void requestForms_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("special");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << ":irc.example.org" << false << 1 << "LIST";
        QTest::newRow("undernet any case")
            << ":Brussels.BE.EU.UnderNet.org" << false << 1 << "LIST >1,<500";
        QTest::newRow("special processing") << ":irc.example.org" << true << 7 << "LIST >7,<500";
    }
    void requestForms()
    {
        QFETCH(QString, server);
        QFETCH(bool, special);
        QFETCH(int, minimum);
        QFETCH(QString, expected);
        ListFixture f;
        f.server = server;
        ChannelFilter filter;
        filter.minimumUsers = minimum;
        f.list.setFilter(filter);
        QCOMPARE(f.list.requestList(special), expected);
        QCOMPARE(f.sent, QStringList{expected});
        QVERIFY(f.list.busy());
    }

    void requestWhileDisconnectedKeepsButtons()
    {
        ListFixture f;
        f.connected = false;
        QCOMPARE(f.list.requestList(false), QString());
        QVERIFY(f.sent.isEmpty());
        QVERIFY(!f.list.busy());
    }

    void rowFilter_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<bool>("adult");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<bool>("passes");
        QTest::newRow("two-character name") << "#a 5 :hello" << false << "" << true;
        QTest::newRow("one-character name") << "# 5 :hello" << false << "" << false;
        QTest::newRow("no blank") << "#lonely" << false << "" << false;
        QTest::newRow("no colon") << "#chan 5 topic" << false << "" << false;
        QTest::newRow("below minimum") << "#chan 0 :x" << false << "" << false;
        QTest::newRow("maximum is inclusive") << "#chan 500 :x" << false << "" << true;
        QTest::newRow("above maximum") << "#chan 501 :x" << false << "" << false;
        QTest::newRow("count not a number is 0") << "#chan many :x" << false << "" << false;
        QTest::newRow("69 users, adult filter") << "#chan 69 :quiet" << true << "" << false;
        QTest::newRow("69 users, no adult filter") << "#chan 69 :quiet" << false << "" << true;
        QTest::newRow("word inside a longer word") << "#shotokan 5 :karate" << true << "" << false;
        QTest::newRow("adult word in the topic, any case")
            << "#books 5 :SUSHI lovers" << true << "" << false;
        QTest::newRow("clean row, adult filter") << "#linux 12 :kernel talk" << true << "" << true;
        QTest::newRow("keyword found") << "#linux 12 :kernel talk" << false << "kernel" << true;
        QTest::newRow("keyword is case-sensitive")
            << "#linux 12 :kernel talk" << false << "Kernel" << false;
        QTest::newRow("keyword trimmed") << "#linux 12 :kernel talk" << false << "  talk " << true;
    }
    void rowFilter()
    {
        QFETCH(QString, row);
        QFETCH(bool, adult);
        QFETCH(QString, keyword);
        QFETCH(bool, passes);
        ChannelFilter filter;
        filter.removeAdult = adult;
        filter.keywordOn = !keyword.isEmpty();
        filter.keyword = keyword;
        ChannelRow cut = ChannelList::cutRow(row);
        QCOMPARE(ChannelList::passes(cut, filter), passes);
    }

    void adultWordList()
    {
        const QStringList& words = ChannelList::adultWords();
        QCOMPARE(words.size(), 125);
        QCOMPARE(words.first(), QStringLiteral("sex"));
        QCOMPARE(words.last(), QStringLiteral("titt"));
        QVERIFY(words.contains(QStringLiteral("stud ")));
        // "student" holds "stud" but not "stud " with its blank.
        QVERIFY(!ChannelList::hasAdultWord(QStringLiteral("#students 4 :maths")));
        QVERIFY(ChannelList::hasAdultWord(QStringLiteral("a stud here")));
    }

    void receivingSortsAndRefiltersWithoutRequest()
    {
        ListFixture f;
        f.list.requestList(false);
        f.receive({QStringLiteral("#zeta 3 :last"),
                   QStringLiteral("#Alpha 12 :\x02"
                                  "bold\x0f topic"),
                   QStringLiteral("#beta 40 :x"), QStringLiteral("#odd lots :x"),
                   QStringLiteral("#mid 10 :y")});
        QVERIFY(!f.list.busy());
        QVERIFY(!f.list.receiving());
        QCOMPARE(f.shown(), (QStringList{"#Alpha", "#beta", "#mid", "#zeta"}));
        QCOMPARE(f.list.data(f.list.index(0, 2), Qt::DisplayRole).toString(),
                 QStringLiteral("bold topic"));
        QCOMPARE(f.status.last(), QStringLiteral("Channel List Ready (4 of 5 Channels shown)."));

        ChannelFilter filter;
        filter.minimumUsers = 10;
        f.list.setFilter(filter);
        f.sent.clear();
        f.list.refilter();
        QVERIFY(f.list.busy());
        QCOMPARE(f.status.last(), QStringLiteral("Sorting Channel List..."));
        QTRY_VERIFY(!f.list.busy());
        QVERIFY(f.sent.isEmpty());
        QCOMPARE(f.shown(), (QStringList{"#Alpha", "#beta", "#mid"}));
        QCOMPARE(f.status.last(), QStringLiteral("Channel List Ready (3 of 5 Channels shown)."));
    }

    void refilterOverManySlicesKeepsOrder()
    {
        ListFixture f;
        QStringList rows;
        const int count = ChannelList::sliceRows * 2 + 17;
        for (int i = count - 1; i >= 0; --i)
            rows << QStringLiteral("#c%1 %2 :t").arg(i, 6, 10, QChar(u'0')).arg(i % 20);
        f.list.handleReply(321, QStringLiteral("Channel :Users  Name"));
        for (const QString& row : rows)
            f.list.handleReply(322, row);
        ChannelFilter filter;
        filter.minimumUsers = 19;
        f.list.setFilter(filter);
        f.list.refilter();
        // A row arriving during the walk is taken by the walk once; the list's end waits
        // for the walk.
        f.list.handleReply(322, QStringLiteral("#late 19 :t"));
        f.list.handleReply(323, QStringLiteral(":End of /LIST"));
        QTRY_VERIFY(!f.list.busy());
        const QStringList names = f.shown();
        QCOMPARE(names.size(), count / 20 + 1);
        QStringList sorted = names;
        std::sort(sorted.begin(), sorted.end(),
                  [](const QString& a, const QString& b) { return a.toLower() < b.toLower(); });
        QCOMPARE(names, sorted);
        QCOMPARE(names.count(QStringLiteral("#late")), 1);
    }

    // Rows are kept only while a list runs: from its start or the request to its end.
    void rowsOutsideAListAreDropped()
    {
        ListFixture f;
        f.list.handleReply(322, QStringLiteral("#unasked 5 :t"));
        f.list.handleReply(323, QStringLiteral(":End of /LIST"));
        QCOMPARE(f.list.receivedCount(), qsizetype(0));
        QVERIFY(f.status.isEmpty());

        // A server that sends no list start: the request opens the list.
        f.list.requestList(false);
        f.list.handleReply(322, QStringLiteral("#asked 5 :t"));
        f.list.handleReply(323, QStringLiteral(":End of /LIST"));
        QCOMPARE(f.shown(), QStringList{"#asked"});
        QVERIFY(!f.list.busy());

        // After the end nothing more is taken, until the next start.
        f.list.handleReply(322, QStringLiteral("#after 5 :t"));
        QCOMPARE(f.list.receivedCount(), qsizetype(1));
        f.receive({QStringLiteral("#next 5 :t")});
        QCOMPARE(f.shown(), QStringList{"#next"});

        // A request answered by an end alone is an empty list.
        f.list.requestList(false);
        f.list.handleReply(323, QStringLiteral(":End of /LIST"));
        QCOMPARE(f.list.receivedCount(), qsizetype(0));
        QCOMPARE(f.status.last(), QStringLiteral("Channel List Ready (0 of 0 Channels shown)."));
        QVERIFY(!f.list.busy());
    }

    void aListKeepsAtMostMaxRows()
    {
        ListFixture f;
        f.list.handleReply(321, QStringLiteral("Channel :Users  Name"));
        for (int i = 0; i < ChannelList::maxRows + 10; ++i)
            f.list.handleReply(322, QStringLiteral("#c%1 5 :t").arg(i));
        f.list.handleReply(323, QStringLiteral(":End of /LIST"));
        QCOMPARE(f.list.receivedCount(), qsizetype(ChannelList::maxRows));
        QCOMPARE(f.status.count(QStringLiteral("The Channel List is kept to its first %1 Channels.")
                                    .arg(ChannelList::maxRows)),
                 1);
        QCOMPARE(f.status.last(), QStringLiteral("Channel List Ready (%1 of %1 Channels shown).")
                                      .arg(ChannelList::maxRows));
    }

    void refusalReleasesButtons()
    {
        ListFixture f;
        f.list.requestList(false);
        QVERIFY(f.list.busy());
        f.list.handleReply(334, QStringLiteral(":denied"));
        QVERIFY(!f.list.busy());
    }

    void favouriteForms_data()
    {
        QTest::addColumn<QString>("channel");
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QString>("joinText");
        QTest::addColumn<QString>("entry");
        QTest::newRow("no hash, no description") << " quorl "
                                                 << ""
                                                 << "#quorl"
                                                 << "#quorl";
        QTest::newRow("with description and key") << "#quorl"
                                                  << " the team "
                                                  << "#quorl the team"
                                                  << "#quorl  -  the team";
        QTest::newRow("empty channel") << "   "
                                       << "x"
                                       << ""
                                       << "";
    }
    void favouriteForms()
    {
        QFETCH(QString, channel);
        QFETCH(QString, extra);
        QFETCH(QString, joinText);
        QFETCH(QString, entry);
        QCOMPARE(Favourites::joinText(channel, extra), joinText);
        QCOMPARE(Favourites::entry(channel, extra), entry);
        if (!entry.isEmpty())
            QCOMPARE(Favourites::channelOf(entry), channel.trimmed().startsWith(u'#')
                                                       ? channel.trimmed()
                                                       : u'#' + channel.trimmed());
        QCOMPARE(Favourites::inviteLine(QStringLiteral(" bob "), channel),
                 channel.trimmed().isEmpty() ? QString()
                                             : QStringLiteral("INVITE bob ") + channel.trimmed());
    }

    // The gauge of a page first opened after a list arrived shows that list: full.
    void gaugeOfAPageOpenedLater()
    {
        ScriptedPrompts prompts;
        Client client(QStringLiteral("/tmp/quorl-test/"), prompts);
        client.session().ident().setPort(0);
        ChannelList& list = client.channelList();
        list.handleReply(321, QString());
        for (int i = 0; i < 3; ++i)
            list.handleReply(322, QStringLiteral("#c%1 5 :t").arg(i));
        list.handleReply(323, QString());
        QVERIFY(list.progressMaximum() > 0);
        QCOMPARE(list.progress(), list.progressMaximum());
        ChannelListPage page(client);
        auto* gauge = page.findChild<QProgressBar*>(QStringLiteral("channelguage"));
        QVERIFY(gauge);
        QCOMPARE(gauge->maximum(), list.progressMaximum());
        QCOMPARE(gauge->value(), list.progress());
    }

    // The pages follow the list, and their joins and invitations reach the server as the
    // lines the user asked for.
    void pagesFollowTheList()
    {
        SessionFixture s;
        QVERIFY(s.registerAs(QStringLiteral("Me")));
        Client& client = s.client;
        ChannelListPage page(client);
        FavouritesPage favourites(client);
        QObject::connect(&page, &ChannelListPage::addFavourite, &favourites,
                         &FavouritesPage::addEntry);
        auto* refilter = page.findChild<QToolButton*>(QStringLiteral("ToolButton10"));
        auto* getList = page.findChild<QToolButton*>(QStringLiteral("ToolButton8"));
        QVERIFY(refilter && getList);
        ChannelList& list = client.channelList();
        list.handleReply(321, QString());
        QVERIFY(!refilter->isEnabled());
        QVERIFY(!page.listView()->isEnabled());
        list.handleReply(322, QStringLiteral("#one 5 :a"));
        list.handleReply(322, QStringLiteral("#two 7 :b"));
        list.handleReply(323, QString());
        QVERIFY(refilter->isEnabled() && getList->isEnabled());
        QVERIFY(page.listView()->isEnabled());
        QCOMPARE(page.listView()->model()->rowCount(), 2);
        // A row whose count is not a number no longer stops a re-filter half way.
        list.handleReply(321, QString());
        list.handleReply(322, QStringLiteral("#bad ?? :x"));
        list.handleReply(322, QStringLiteral("#good 3 :x"));
        list.handleReply(323, QString());
        refilter->click();
        QVERIFY(!refilter->isEnabled());
        QTRY_VERIFY(refilter->isEnabled());
        QVERIFY(page.listView()->isEnabled());
        QCOMPARE(list.shownCount(), 1);

        page.listView()->setCurrentIndex(list.index(0, 0));
        QCOMPARE(page.selectedChannel(), QStringLiteral("#good"));
        page.addSelected();
        page.addSelected();
        QCOMPARE(favourites.favourites()->count(), 2);
        QCOMPARE(client.options().channels.favourites, (QStringList{"#good", "#good"}));
        favourites.favourites()->selectAll();
        favourites.removeSelected();
        QVERIFY(client.options().channels.favourites.isEmpty());

        // What a click sends, as the server receives it.
        const auto sent = [&s](const std::function<void()>& click) {
            s.server.clearReceived();
            click();
            return s.server.waitForLine(QString()) ? s.server.receivedBytes() : QByteArray();
        };
        const auto type = [&favourites](const char* edit, const QString& text) {
            favourites.findChild<QLineEdit*>(QLatin1String(edit))->setText(text);
        };
        // A listed channel is joined as the list names it, from the Join button and from
        // a double click, with no status line.
        const QStringList statusBefore = s.status();
        QCOMPARE(sent([&page] { page.findChild<QToolButton*>(u"ToolButton21"_s)->click(); }),
                 QByteArray("JOIN #good\r\n"));
        QCOMPARE(sent([&] { Q_EMIT page.listView()->doubleClicked(list.index(0, 0)); }),
                 QByteArray("JOIN #good\r\n"));
        QCOMPARE(s.status(), statusBefore);
        // The favourites page joins a typed channel with its password, and invites.
        type("Edit5", u"#good"_s);
        type("Edit6", u"sesame"_s);
        QCOMPARE(sent([&] { favourites.findChild<QPushButton*>(u"Button5"_s)->click(); }),
                 QByteArray("JOIN #good sesame\r\n"));
        QVERIFY(s.statusHas(u"Trying to Join #good sesame."_s));
        type("Edit16", u" bob "_s);
        type("Edit17", u"#good "_s);
        QCOMPARE(sent([&] { favourites.findChild<QPushButton*>(u"Button12"_s)->click(); }),
                 QByteArray("INVITE bob #good\r\n"));
        QVERIFY(s.statusHas(u"Invited bob to #good."_s));
    }
};

QUORL_TEST(ChannelListTest)
#include "channellisttest.moc"
