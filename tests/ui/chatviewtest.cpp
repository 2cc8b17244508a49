// The chat text view on the offscreen platform: scrolling with arriving lines, the
// clearing corner, link clicks and hover, and a drag that lands on the clipboard.
#include "ui/chat/chatview.h"
#include "commands/linkactions.h"
#include "core/wincolor.h"
#include "support/fakemeasurer.h"
#include "support/testmain.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct View
{
    std::unique_ptr<ChatDocument> doc = makeDocument();
    std::unique_ptr<ChatView> widget;

    // 300 x 200 with the fake's 12-pixel rows: 16 rows on screen.
    // Appends and lets the view catch up at once, as it does when the lines pause.
    void append(int lineClass, const QString& text)
    {
        doc->appendLine(lineClass, text);
        widget->catchUp();
    }

    explicit View(QSize size = QSize(300, 200))
    {
        widget = std::make_unique<ChatView>(doc.get());
        widget->resize(size);
        widget->show();
    }

    void addLines(int count, int from = 0)
    {
        for (int i = from; i < from + count; ++i)
            doc->appendLine(ChatDocument::Other, QStringLiteral("<Tam> line %1").arg(i));
        widget->catchUp();
    }

    qsizetype find(QStringView text) const
    {
        for (qsizetype i = 0; i < doc->wordCount(); ++i) {
            if (doc->wordText(i).contains(text))
                return i;
        }
        return -1;
    }

    // A point on character `character` of a word, inside the word's hit band.
    QPoint on(qsizetype word, int character = 1) const
    {
        const QRect r = widget->wordRect(word);
        return QPoint(r.left() + character * FakeMeasurer::CharWidth + 3, r.center().y());
    }
};
} // namespace

class ChatTextWidgetTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fewLinesNeedNoScrollBar()
    {
        View v;
        QVERIFY(QTest::qWaitForWindowExposed(v.widget.get()));
        v.addLines(16);
        QVERIFY(!v.widget->isScrollBarShown());
        QCOMPARE(v.widget->firstVisibleRow(), 0);
        QCOMPARE(v.widget->lastVisibleRow(), 15);
        QCOMPARE(v.doc->viewSize().width(), 300);
        v.addLines(1, 16);
        QVERIFY(v.widget->isScrollBarShown());
        QVERIFY(v.widget->scrollBar()->isVisible());
        // The text area is narrower while the bar shows.
        QCOMPARE(v.doc->viewSize().width(), 300 - ChatView::ScrollBarAllowance);
        QCOMPARE(v.widget->lastVisibleRow(), 16);
        QCOMPARE(v.widget->firstVisibleRow(), 1);
    }

    void autoScrollFollowsUntilScrolledBack()
    {
        View v;
        v.addLines(100);
        QScrollBar* bar = v.widget->scrollBar();
        QVERIFY(v.widget->isAutoScroll());
        QCOMPARE(v.widget->lastVisibleRow(), v.doc->rowCount() - 1);
        QCOMPARE(bar->value(), bar->maximum());
        QCOMPARE(bar->value(), v.widget->firstVisibleRow());
        QCOMPARE(bar->pageStep(), v.widget->rowsOnScreen() + 1);

        v.addLines(5, 100);
        QCOMPARE(v.widget->lastVisibleRow(), v.doc->rowCount() - 1);
        QCOMPARE(bar->value(), bar->maximum());

        // The user scrolls back: lines keep arriving, the display stays.
        bar->setValue(10);
        QVERIFY(!v.widget->isAutoScroll());
        QCOMPARE(v.widget->firstVisibleRow(), 10);
        const int oldMaximum = bar->maximum();
        v.addLines(20, 105);
        QCOMPARE(v.widget->firstVisibleRow(), 10);
        QCOMPARE(bar->value(), 10);
        QCOMPARE(bar->maximum(), oldMaximum + 20);

        // Back at the end, it follows again.
        bar->setValue(bar->maximum());
        QVERIFY(v.widget->isAutoScroll());
        v.addLines(3, 125);
        QCOMPARE(v.widget->lastVisibleRow(), v.doc->rowCount() - 1);
        QCOMPARE(bar->value(), bar->maximum());
    }

    void resizeKeepsTheLastPaintedRowAtTheBottom()
    {
        View v;
        v.addLines(100);
        v.widget->scrollBar()->setValue(30);
        const int last = v.widget->lastVisibleRow();
        const qsizetype lastWord = v.doc->rowEndWord(last) - 1;
        v.widget->resize(300, 120);
        QCOMPARE(v.widget->lastVisibleRow(), v.doc->wordRow(lastWord));
        QVERIFY(!v.widget->isAutoScroll());
        QCOMPARE(v.widget->scrollBar()->value(), v.widget->firstVisibleRow());

        // Large enough for everything: the bar goes and the view follows the end again.
        v.doc->clear();
        v.addLines(10);
        v.widget->resize(300, 100);
        QVERIFY(v.widget->isScrollBarShown());
        v.widget->scrollBar()->setValue(0);
        v.widget->resize(300, 400);
        QVERIFY(!v.widget->isScrollBarShown());
        QVERIFY(v.widget->isAutoScroll());
        QCOMPARE(v.widget->firstVisibleRow(), 0);
    }

    // With a line limit the oldest lines leave while the user reads: a view following the
    // end keeps following, one scrolled back keeps its rows where they still exist (and
    // shows the oldest kept when they left), and a selection on lines that left is dropped.
    void trimmedLinesKeepTheViewConsistent()
    {
        View v;
        v.doc->setLineLimit(80); // ten lines leave at a time
        v.addLines(80);
        QScrollBar* bar = v.widget->scrollBar();
        v.addLines(1, 80);
        QCOMPARE(v.doc->lineCount(), 71);
        QVERIFY(v.widget->isAutoScroll());
        QCOMPARE(v.widget->lastVisibleRow(), v.doc->rowCount() - 1);
        QCOMPARE(bar->value(), bar->maximum());
        QCOMPARE(bar->maximum(), v.doc->rowCount() - 1 - v.widget->rowsOnScreen());

        // Scrolled back to "line 40": after ten lines leave it is ten rows higher up.
        bar->setValue(v.doc->wordRow(v.find(u"40")));
        QVERIFY(!v.widget->isAutoScroll());
        // On "line", not on the nickname: a press there would be a link click.
        const QPoint from = v.on(v.doc->rowFirstWord(v.widget->firstVisibleRow()) + 1, 1);
        QTest::mousePress(v.widget.get(), Qt::LeftButton, {}, from);
        QVERIFY(v.widget->isSelecting());
        v.addLines(10, 81);
        QCOMPARE(v.doc->lineCount(), 71);
        QCOMPARE(v.doc->plainLine(v.widget->firstVisibleRow()), QStringLiteral("<Tam> line 40"));
        QCOMPARE(bar->value(), v.widget->firstVisibleRow());
        QCOMPARE(v.widget->selection().startWord, v.find(u"40") - 1);
        QTest::mouseRelease(v.widget.get(), Qt::LeftButton, {}, from);

        // The lines on screen leave: the oldest kept line shows, the selection is gone.
        QTest::mousePress(v.widget.get(), Qt::LeftButton, {}, from);
        for (int i = 0; i < 4; ++i)
            v.addLines(10, 91 + 10 * i);
        QVERIFY(!v.widget->isSelecting());
        QVERIFY(!v.widget->selection().isValid());
        QCOMPARE(v.widget->firstVisibleRow(), 0);
        QCOMPARE(v.doc->plainLine(0), QStringLiteral("<Tam> line 60"));
        QCOMPARE(bar->value(), 0);
        QVERIFY(!v.widget->grab().isNull()); // paints without stale indexes
        QVERIFY(v.widget->wordRect(0).isValid());
    }

    void cornerRightClickClears()
    {
        View v;
        v.addLines(100);
        v.widget->scrollBar()->setValue(5); // scrolled back
        QSignalSpy cleared(v.doc.get(), &ChatDocument::cleared);
        // A right click elsewhere does not clear.
        QTest::mouseClick(v.widget.get(), Qt::RightButton, {}, QPoint(250, 100));
        QCOMPARE(cleared.count(), 0);
        // Left of the bar, inside the 28 x 16 corner.
        const QPoint corner(v.widget->width() - 20, v.widget->height() - 5);
        QTest::mouseClick(v.widget.get(), Qt::LeftButton, {}, corner);
        QCOMPARE(cleared.count(), 0);
        QTest::mouseClick(v.widget.get(), Qt::RightButton, {}, corner);
        QCOMPARE(cleared.count(), 1);
        QCOMPARE(v.doc->wordCount(), 0);
        QVERIFY(!v.widget->isScrollBarShown());
        QVERIFY(v.widget->isAutoScroll());
        QCOMPARE(v.doc->viewSize().width(), 300);
        v.addLines(2);
        QCOMPARE(v.widget->lastVisibleRow(), 1);
    }

    void dragSelectionGoesToClipboard()
    {
        View v;
        v.append(ChatDocument::Other, QStringLiteral("<Tam> hello world"));
        v.append(ChatDocument::You, QStringLiteral("<Wren> second"));
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        const QPoint from = v.on(v.find(u"hello"), 2);
        const QPoint to = v.on(v.find(u"second"), 2);
        QTest::mousePress(v.widget.get(), Qt::LeftButton, {}, from);
        QVERIFY(v.widget->isSelecting());
        QTest::mouseMove(v.widget.get(), to);
        QCOMPARE(v.widget->selection().endWord, v.find(u"second"));
        QTest::mouseRelease(v.widget.get(), Qt::LeftButton, {}, to);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("llo world\r\n<Wren> sec"));
        QVERIFY(!v.widget->isSelecting());

        // A click without a drag copies nothing.
        QTest::mouseClick(v.widget.get(), Qt::LeftButton, {}, from);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("llo world\r\n<Wren> sec"));
    }

    void linkClicks()
    {
        View v;
        v.widget->setOwnNickname([] { return QStringLiteral("wren"); });
        v.append(ChatDocument::Other,
                 QStringLiteral("<Tam> join @#Chat or WWW.Site.org for song.wav"));
        v.append(ChatDocument::You, QStringLiteral("<Wren> hi"));
        QSignalSpy channel(v.widget.get(), &ChatView::channelLinkClicked);
        QSignalSpy web(v.widget.get(), &ChatView::webLinkClicked);
        QSignalSpy sound(v.widget.get(), &ChatView::soundLinkClicked);
        QSignalSpy nick(v.widget.get(), &ChatView::nicknameLinkClicked);

        QTest::mouseClick(v.widget.get(), Qt::LeftButton, {}, v.on(v.find(u"@#Chat")));
        QCOMPARE(channel.value(0).value(0).toString(), QStringLiteral("#Chat"));
        QTest::mouseClick(v.widget.get(), Qt::LeftButton, {}, v.on(v.find(u"WWW")));
        QCOMPARE(web.count(), 0); // "www." is looked for in its own letter case
        QTest::mouseClick(v.widget.get(), Qt::LeftButton, {}, v.on(v.find(u"song")));
        QCOMPARE(sound.value(0).value(0).toString(), QStringLiteral("Tam"));
        QCOMPARE(sound.value(0).value(1).toString(), QStringLiteral("song.wav"));
        QTest::mouseClick(v.widget.get(), Qt::RightButton, {}, v.on(v.find(u"<Tam>")));
        QCOMPARE(nick.count(), 1);
        QCOMPARE(nick.value(0).value(0).toString(), QStringLiteral("Tam"));
        QCOMPARE(nick.value(0).value(1).value<Qt::MouseButton>(), Qt::RightButton);
        // One's own nickname is plain text: a press starts a selection instead.
        QTest::mousePress(v.widget.get(), Qt::LeftButton, {}, v.on(v.find(u"<Wren>")));
        QCOMPARE(nick.count(), 1);
        QVERIFY(v.widget->isSelecting());
        QTest::mouseRelease(v.widget.get(), Qt::LeftButton, {}, v.on(v.find(u"<Wren>")));

        // A link opens as written: paths are case-sensitive. Only the scheme and the host
        // are lower-cased, by the address itself.
        v.append(ChatDocument::Other, QStringLiteral("see http://Quorl.example/A?Q=B"));
        QTest::mouseClick(v.widget.get(), Qt::LeftButton, {}, v.on(v.find(u"http")));
        QCOMPARE(web.value(0).value(0).toString(), QStringLiteral("http://Quorl.example/A?Q=B"));
        QCOMPARE(LinkActions::webLinkUrl(web.value(0).value(0).toString()).toString(),
                 QStringLiteral("http://quorl.example/A?Q=B"));
        QCOMPARE(LinkActions::webLinkUrl(QStringLiteral("www.Example.org/Path")).toString(),
                 QStringLiteral("http://www.example.org/Path"));
        // "https://" is a web link as "http://" is.
        v.append(ChatDocument::Other, QStringLiteral("or https://Secure.example/Page"));
        QTest::mouseClick(v.widget.get(), Qt::LeftButton, {}, v.on(v.find(u"https")));
        QCOMPARE(web.count(), 2);
        QCOMPARE(web.value(1).value(0).toString(), QStringLiteral("https://Secure.example/Page"));

        v.widget->setLinksEnabled(false);
        QTest::mouseClick(v.widget.get(), Qt::LeftButton, {}, v.on(v.find(u"@#Chat")));
        QCOMPARE(channel.count(), 1);
    }

    void hoverHighlightsLinks()
    {
        View v;
        v.append(ChatDocument::Other, QStringLiteral("<Tam> visit #quorl today"));
        QTest::mouseMove(v.widget.get(), v.on(v.find(u"#quorl")));
        QCOMPARE(v.widget->hoveredLink().kind, ChatLink::Channel);
        QCOMPARE(v.widget->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseMove(v.widget.get(), v.on(v.find(u"today")));
        QCOMPARE(v.widget->hoveredLink().kind, ChatLink::None);
        QCOMPARE(v.widget->cursor().shape(), Qt::ArrowCursor);
        QTest::mouseMove(v.widget.get(), v.on(v.find(u"#quorl")));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(v.widget.get(), &leave);
        QCOMPARE(v.widget->hoveredLink().kind, ChatLink::None);
    }

    void layoutSwitchedOffAtShutdown()
    {
        View v;
        v.addLines(5);
        v.widget->setLayoutEnabled(false);
        v.addLines(50, 5);
        v.widget->resize(200, 200);
        QCOMPARE(v.doc->laidOutWordCount(), 5 * 3);
        QVERIFY(!v.widget->isScrollBarShown());
        v.widget->setLayoutEnabled(true);
        QCOMPARE(v.doc->laidOutWordCount(), v.doc->wordCount());
        QVERIFY(v.widget->isScrollBarShown());
        QCOMPARE(v.widget->lastVisibleRow(), v.doc->rowCount() - 1);
    }

    void documentGoneFirst()
    {
        View v;
        v.addLines(30);
        v.doc.reset();
        v.widget->resize(200, 150);
        v.widget->grab();
        QTest::mouseClick(v.widget.get(), Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(v.widget->document(), nullptr);
    }

    void paintsWithoutTrouble()
    {
        // Every look at once: codes, reverse, a background picture tiled and stretched.
        View v;
        v.append(ChatDocument::Other,
                 QStringLiteral("<Tam> \002bold\002 \0034,12colour\003 \026rev\026 "
                                "\037under\037 www.x.org"));
        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QTemporaryDir themes;
        QVERIFY(picture.save(themes.filePath(QStringLiteral("back.bmp"))));
        ThemeRecord theme = testTheme();
        theme.tileon = true;
        theme.tilename = QStringLiteral("back.bmp");
        v.widget->setThemesFolder(themes.path());
        for (bool stretch : {false, true}) {
            theme.tilestretch = stretch;
            v.doc->applyTheme(theme);
            const QImage shot = v.widget->grab().toImage();
            QCOMPARE(shot.pixelColor(v.widget->width() / 2, v.widget->height() - 3),
                     QColor(Qt::darkCyan));
        }
        theme.tileon = false;
        v.doc->applyTheme(theme);
        const QImage shot = v.widget->grab().toImage();
        QCOMPARE(shot.pixelColor(v.widget->width() / 2, v.widget->height() - 3),
                 colorFromWin(theme.backcolor));
    }
};

QUORL_TEST(ChatTextWidgetTest)
#include "chatviewtest.moc"
