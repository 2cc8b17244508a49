// The picker's decisions: hit testing, hover, selection, tiling and untiling, the tile
// arrangement, scrolling and Ctrl-click.
#include "support/registryfixture.h"
#include "support/testmain.h"

#include <QTest>

namespace {
using Button = PickerLayout::Button;

// A registry with channels #1..#n and a picker tall enough for every row.
struct PickerFixture : RegistryFixture
{
    QList<ChatWindow*> chans;
    explicit PickerFixture(int channels)
    {
        for (int i = 1; i <= channels; ++i)
            chans << registry.createChannelWindow(QStringLiteral("#%1").arg(i));
        picker().setHeight(30 * PickerLayout::RowHeight);
    }
    int y(const ChatWindow* item) { return row(item) * PickerLayout::RowHeight + 5; }
    void rightClick(const ChatWindow* item)
    {
        picker().mouseMove(50, y(item), 110);
        picker().mouseDown(Button::Right, y(item), false);
    }
    void click(const ChatWindow* item, bool ctrl = false)
    {
        picker().mouseDown(Button::Left, y(item), ctrl);
    }
};
} // namespace

class PickerTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rowAt_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("row");
        QTest::newRow("bottom pixel of row 0") << 220 << 0 << 21 << 0;
        QTest::newRow("top pixel of row 1") << 220 << 0 << 22 << 1;
        QTest::newRow("above") << 220 << 0 << -1 << -1;
        QTest::newRow("past the last entry") << 220 << 0 << 6 * 22 << -1;
        QTest::newRow("last entry") << 220 << 0 << 5 * 22 + 3 << 5;
        QTest::newRow("below the last whole row") << 50 << 0 << 45 << -1;
        QTest::newRow("last whole row") << 50 << 0 << 43 << 1;
        QTest::newRow("scrolled") << 50 << 2 << 0 << 2;
    }
    void rowAt()
    {
        QFETCH(int, height);
        QFETCH(int, offset);
        QFETCH(int, y);
        QFETCH(int, row);
        PickerFixture f(1); // six entries
        f.picker().setHeight(height);
        for (int i = 0; i < offset; ++i)
            f.picker().scrollDown();
        QCOMPARE(f.picker().scrollOffset(), offset);
        QCOMPARE(f.picker().rowAt(y), row);
    }

    void hover_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("x");
        QTest::addColumn<bool>("hot");
        QTest::newRow("chat row, indent") << 2 << 14 << false;
        QTest::newRow("chat row, label") << 2 << 15 << true;
        QTest::newRow("section row, edge") << 1 << 1 << false;
        QTest::newRow("section row, inside") << 1 << 2 << true;
    }
    void hover()
    {
        QFETCH(int, row);
        QFETCH(int, x);
        QFETCH(bool, hot);
        PickerFixture f(1);
        f.picker().mouseMove(x, row * 22 + 1, 110);
        QCOMPARE(f.registry.at(row)->pickerState, hot ? 1 : 0);
    }

    void hoverMovesAndLeaves()
    {
        PickerFixture f(2);
        f.picker().mouseMove(50, f.y(f.chans[0]), 110);
        QCOMPARE(f.chans[0]->pickerState, 1);
        f.picker().mouseMove(105, f.y(f.chans[1]), 110); // the scroller strip: ignored
        QCOMPARE(f.chans[0]->pickerState, 1);
        QCOMPARE(f.chans[1]->pickerState, 0);
        f.picker().mouseMove(50, f.y(f.chans[1]), 110);
        QCOMPARE(f.states(), (QList<int>{2, 0, 0, 1, 0, 0, 0}));
        f.picker().mouseLeave();
        QCOMPARE(f.states(), (QList<int>{2, 0, 0, 0, 0, 0, 0}));
    }

    void selectingShowsOnePanel()
    {
        PickerFixture f(2);
        f.click(f.chans[0]);
        QCOMPARE(f.picker().shownAlone(), f.chans[0]);
        QVERIFY(f.chans[0]->shown);
        QCOMPARE(f.registry.at(0)->pickerState, 0);
        // A window created meanwhile is listed in bold; the display stays.
        ChatWindow* fresh = f.registry.createChannelWindow("#new");
        QVERIFY(fresh->unseenActivity);
        QCOMPARE(f.picker().shownAlone(), f.chans[0]);
        f.click(f.chans[1]);
        QVERIFY(!f.chans[0]->shown);
        QCOMPARE(f.chans[0]->pickerState, 0);
        QCOMPARE(f.chans[1]->pickerState, 2);
    }

    void ctrlClick()
    {
        PickerFixture f(1);
        f.picker().mouseDown(Button::Left, 1 * 22, true); // "Public Chat"
        QCOMPARE(f.picker().shownAlone(), f.registry.at(1));
        QVERIFY(f.sent.isEmpty());
        f.click(f.chans[0], true);
        QCOMPARE(f.sent, QStringList{"PART :#1"});
        QVERIFY(!f.registry.findChannelWindow("#1"));
    }

    void tilingUpToEight()
    {
        PickerFixture f(9);
        f.click(f.chans[0]);
        for (int i = 1; i < 9; ++i)
            f.rightClick(f.chans[i]);
        QList<int> tileStates;
        for (const ChatWindow* c : f.chans)
            tileStates << c->pickerState;
        QCOMPARE(tileStates, (QList<int>{10, 11, 12, 13, 14, 15, 16, 17, 1}));
        QCOMPARE(f.picker().tiles().size(), 8);
        QVERIFY(f.picker().tilesShown());
        QVERIFY(!f.chans[8]->shown);
        QVERIFY(f.chans[7]->shown && !f.chans[7]->unseenActivity);
        QVERIFY(!f.registry.at(0)->shown);
    }

    void untiling()
    {
        PickerFixture f(3);
        f.click(f.chans[0]);
        f.rightClick(f.chans[1]);
        f.rightClick(f.chans[2]);
        f.rightClick(f.chans[1]); // the middle one leaves
        QCOMPARE(f.chans[0]->pickerState, 10);
        QCOMPARE(f.chans[1]->pickerState, 1);
        QCOMPARE(f.chans[2]->pickerState, 11);
        QVERIFY(f.picker().tilesShown());

        // One left and nothing else selected: it fills the work area.
        f.rightClick(f.chans[2]);
        QVERIFY(!f.picker().tilesShown());
        QCOMPARE(f.chans[0]->pickerState, 2);
        QCOMPARE(f.picker().shownAlone(), f.chans[0]);
    }

    void untilingBehindASelection()
    {
        PickerFixture f(3);
        f.click(f.chans[0]);
        f.rightClick(f.chans[1]);
        f.rightClick(f.chans[2]);
        f.click(f.registry.at(0)); // "Settings" alone; the tiles wait behind it
        QVERIFY(!f.picker().tilesShown());
        QVERIFY(!f.chans[1]->shown);
        f.click(f.chans[2]); // a tiled row brings the arrangement back
        QVERIFY(f.picker().tilesShown());
        QVERIFY(f.chans[1]->shown);
        QVERIFY(!f.registry.at(0)->shown);

        f.rightClick(f.chans[2]);
        f.rightClick(f.chans[1]);
        // "Settings" was selected, so the last tile becomes a plain row again.
        QCOMPARE(f.chans[0]->pickerState, 0);
        QCOMPARE(f.picker().shownAlone(), f.registry.at(0));
    }

    void closingATiledWindowKeepsTilesConsecutive()
    {
        PickerFixture f(4);
        f.click(f.chans[0]);
        f.rightClick(f.chans[1]);
        f.rightClick(f.chans[2]);
        f.rightClick(f.chans[3]);
        f.registry.leaveWindow(f.chans[1]);
        QCOMPARE(f.chans[0]->pickerState, 10);
        QCOMPARE(f.chans[2]->pickerState, 11);
        QCOMPARE(f.chans[3]->pickerState, 12);
        QCOMPARE(f.picker().tiles().size(), 3);
        f.registry.closeChatWindowsForDisconnect();
        QCOMPARE(f.states(), (QList<int>{2, 0, 0, 0, 0}));
        QCOMPARE(f.picker().shownAlone(), f.registry.at(0));
    }

    void tileRects_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QSize>("area");
        QTest::addColumn<QList<QRect>>("rects");
        QTest::newRow("one") << 1 << QSize(100, 100) << QList<QRect>{};
        QTest::newRow("nine") << 9 << QSize(100, 100) << QList<QRect>{};
        QTest::newRow("two, odd height")
            << 2 << QSize(100, 101) << QList<QRect>{{0, 0, 100, 50}, {0, 51, 100, 50}};
        QTest::newRow("three") << 3 << QSize(90, 100)
                               << QList<QRect>{{0, 0, 90, 33}, {0, 33, 90, 33}, {0, 66, 90, 33}};
        QTest::newRow("five") << 5 << QSize(201, 100)
                              << QList<QRect>{{0, 0, 100, 50},
                                              {0, 50, 100, 50},
                                              {100, 0, 100, 33},
                                              {100, 33, 100, 33},
                                              {100, 66, 100, 33}};
        QTest::newRow("seven") << 7 << QSize(200, 120)
                               << QList<QRect>{{0, 0, 100, 40},    {0, 40, 100, 40},
                                               {0, 80, 100, 40},   {100, 0, 100, 30},
                                               {100, 30, 100, 30}, {100, 60, 100, 30},
                                               {100, 90, 100, 30}};
    }
    void tileRects()
    {
        QFETCH(int, n);
        QFETCH(QSize, area);
        QFETCH(QList<QRect>, rects);
        QCOMPARE(PickerLayout::tileRects(n, area), rects);
    }

    void scrolling()
    {
        PickerFixture f(9); // 14 entries
        f.picker().setHeight(5 * 22 + 10);
        QVERIFY(f.picker().scrollersVisible());
        f.picker().scrollUp();
        QCOMPARE(f.picker().scrollOffset(), 0);
        for (int i = 0; i < 20; ++i)
            f.picker().scrollDown();
        QCOMPARE(f.picker().scrollOffset(), 9);
        f.picker().setHeight(20 * 22);
        QVERIFY(f.picker().scrollersVisible()); // still scrolled
        f.registry.leaveWindow(f.chans[0]);
        QCOMPARE(f.picker().scrollOffset(), 0);
        QVERIFY(!f.picker().scrollersVisible());
        f.picker().scrollDown(); // everything fits: nothing to scroll
        QCOMPARE(f.picker().scrollOffset(), 0);
    }
};

QUORL_TEST(PickerTest)
#include "pickertest.moc"
