// The main window's picker and work area: rows for the sections, clicks that switch the
// work area, chat window containers shown alone and tiled.
#include "client/client.h"
#include "support/testmain.h"
#include "ui/backbuffer.h"
#include "ui/chat/chatview.h"
#include "ui/chat/chatwindowwidget.h"
#include "ui/chat/nicklistview.h"
#include "ui/chat/pickerpanel.h"
#include "ui/dcc/filespanel.h"
#include "ui/mainwindow.h"

#include <QBackingStore>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace {
// Counts the icons the picker asks its style for.
class IconCountingStyle : public QProxyStyle
{
public:
    mutable int icons = 0;
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                       const QWidget* widget) const override
    {
        ++icons;
        return QProxyStyle::standardIcon(icon, option, widget);
    }
};

// How many pages of the memory at bits are not in memory yet.
int pagesAbsent(const uchar* bits, qsizetype bytes)
{
    const auto page = static_cast<quintptr>(sysconf(_SC_PAGESIZE));
    const quintptr begin = (reinterpret_cast<quintptr>(bits) + page - 1) & ~(page - 1);
    const quintptr end =
        (reinterpret_cast<quintptr>(bits) + static_cast<quintptr>(bytes)) & ~(page - 1);
    std::vector<unsigned char> present((end - begin) / page);
    if (mincore(reinterpret_cast<void*>(begin), end - begin, present.data()) != 0)
        return -1;
    return static_cast<int>(std::count_if(present.begin(), present.end(),
                                          [](unsigned char p) { return (p & 1) == 0; }));
}

QPoint rowPoint(int row)
{
    return {50, row * PickerLayout::RowHeight + 10};
}
} // namespace

class PickerWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void clickingRowsSwitchesTheWorkArea()
    {
        QTemporaryDir home;
        MainWindow form(home.path() + u'/');
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QWidget* master = form.findChild<QWidget*>("masterpanel");
        PickerPanel* picker = form.findChild<PickerPanel*>();
        QVERIFY(master && picker);
        QCOMPARE(picker->width(), MainWindow::PickerWidth);

        WindowRegistry& windows = form.client().windows();
        QCOMPARE(windows.count(), 5);
        const QStringList panels{"settingspanel", "channelpanel", "privatechatpanel",
                                 "dccchatpanel", "filepanel"};
        auto visiblePanels = [&] {
            QStringList shown;
            for (const QString& name : panels) {
                if (master->findChild<QWidget*>(name)->isVisible())
                    shown << name;
            }
            return shown;
        };
        QCOMPARE(visiblePanels(), QStringList{"settingspanel"});

        QTest::mouseClick(picker, Qt::LeftButton, {}, rowPoint(3));
        QCOMPARE(visiblePanels(), QStringList{"dccchatpanel"});
        QCOMPARE(master->findChild<QWidget*>("dccchatpanel")->geometry(), master->rect());

        // The transfer lists are made when the Files panel first shows, with the filters.
        QVERIFY(!form.findChild<FilesPanel*>());
        form.client().options().dcc.filters = QStringList{"*.wav /sounds"};
        QTest::mouseClick(picker, Qt::LeftButton, {}, rowPoint(4));
        QCOMPARE(visiblePanels(), QStringList{"filepanel"});
        auto* files = form.findChild<FilesPanel*>();
        QVERIFY(files && files->isVisible());
        QCOMPARE(files->findChild<QPlainTextEdit*>("filterlist")->toPlainText(),
                 QStringLiteral("*.wav /sounds"));
        QVERIFY(files->findChild<QWidget*>("inboundfilelist"));

        ChatWindow* chan = windows.createChannelWindow("#quorl");
        auto* container = qobject_cast<ChatWindowWidget*>(chan->container.data());
        QVERIFY(container);
        QVERIFY(!container->isVisible()); // created hidden
        windows.setTopic(chan, QStringLiteral("\x02news\x02 \x03"
                                              "4,1today"));
        QCOMPARE(container->caption()->text(), QStringLiteral("#quorl: news today"));
        windows.addNames(chan, {"zed", "@op"});

        windows.addLine(chan, "one", 1);
        windows.addLine(chan, "two", 0);
        QCOMPARE(container->view()->document()->plainLines(), QStringList({"one", "two"}));

        QTest::mouseClick(picker, Qt::LeftButton, {}, rowPoint(2));
        QVERIFY(container->isVisible());
        QVERIFY(visiblePanels().isEmpty());
        // A hidden nick list is filled when it shows.
        QCOMPARE(container->nickList()->count(), 2);
        QCOMPARE(container->nickList()->rowText(0), QStringLiteral("@op"));
        windows.addMember(chan, QStringLiteral("amy"));
        QTRY_COMPARE(container->nickList()->count(), 3);

        // A second channel, right-clicked, shares the work area with the first.
        ChatWindow* other = windows.createChannelWindow("#other");
        auto* otherContainer = qobject_cast<QWidget*>(other->container.data());
        QTest::mouseMove(picker, rowPoint(3));
        QTest::mouseClick(picker, Qt::RightButton, {}, rowPoint(3));
        QVERIFY(container->isVisible() && otherContainer->isVisible());
        const QList<QRect> expected = PickerLayout::tileRects(2, master->size());
        QCOMPARE(container->geometry(), expected.at(0));
        QCOMPARE(otherContainer->geometry(), expected.at(1));

        // Closing the session takes every chat window away and shows "Settings".
        form.client().session().endSession();
        QCOMPARE(windows.count(), 5);
        QCOMPARE(visiblePanels(), QStringList{"settingspanel"});
    }

    // Tiled rows are filled with the poster's entry colour (pixel 1 of its bottom row), or
    // the system's shadow colour without a poster.
    void tiledRowsTakeThePostersColour()
    {
        QTemporaryDir home;
        MainWindow form(home.path() + u'/');
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        PickerPanel* picker = form.findChild<PickerPanel*>();
        WindowRegistry& windows = form.client().windows();
        const int first = int(windows.indexOf(windows.createChannelWindow("#a")));
        const int second = int(windows.indexOf(windows.createChannelWindow("#b")));
        QTest::mouseClick(picker, Qt::LeftButton, {}, rowPoint(first));
        QTest::mouseMove(picker, rowPoint(second));
        QTest::mouseClick(picker, Qt::RightButton, {}, rowPoint(second));
        QVERIFY(windows.at(first)->isTiled() && windows.at(second)->isTiled());
        QTest::mouseMove(picker, rowPoint(0)); // the tiled rows are not hot

        // A point of a row right of its label.
        auto colourAt = [&](int row) {
            return picker->grab().toImage().pixel(picker->width() - 12,
                                                  row * PickerLayout::RowHeight + 11);
        };
        const QRgb shadow = picker->palette().color(QPalette::Dark).rgb();
        QCOMPARE(colourAt(first), shadow);
        QCOMPARE(colourAt(second), shadow);

        QImage image(20, 6, QImage::Format_RGB32);
        image.fill(qRgb(250, 250, 250));
        const QColor entry(10, 200, 30);
        image.setPixelColor(1, image.height() - 1, entry);
        Poster& poster = form.client().poster();
        QVERIFY(poster.setImage(image));
        picker->setPoster(&poster);
        QCOMPARE(colourAt(first), entry.rgb());
        QCOMPARE(colourAt(second), entry.rgb());
        // A row that is not tiled, selected or hot shows the picture.
        const int plain = second + 1;
        QVERIFY(plain < windows.count() && !windows.at(plain)->isTiled());
        QCOMPARE(colourAt(plain), qRgb(250, 250, 250));
    }

    // Private lines from nicknames that take turns behind one address rename the window
    // with every line. The picker paints once for the whole burst and makes each kind's
    // icon once, yet shows the outcome.
    void burstOfPrivateLinesPaintsThePickerOnce()
    {
        QTemporaryDir home;
        IconCountingStyle style; // outlives the window that uses it
        MainWindow form(home.path() + u'/');
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        PickerPanel* picker = form.findChild<PickerPanel*>();
        QVERIFY(picker);
        picker->setStyle(&style);
        const QImage before = picker->grab().toImage();
        style.icons = 0;

        WindowRegistry& windows = form.client().windows();
        for (int i = 0; i < 500; ++i)
            windows.routePrivateMessage(QStringLiteral("nick%1").arg(i % 5),
                                        QStringLiteral("user@same.host"),
                                        QStringLiteral("line %1").arg(i));
        QCOMPARE(windows.count(), 6);
        const ChatWindow* chat = windows.findPrivateWindow(QStringLiteral("nick4"));
        QVERIFY(chat);
        QCOMPARE(chat->label, QStringLiteral("nick4"));
        const QImage after = picker->grab().toImage();
        QVERIFY(after != before); // the private window's row is there
        // Only the new kind of row needed an icon.
        QCOMPARE(style.icons, 1);
    }

    // A shown window's new back buffer is filled in with one request before the first paint,
    // and the paint keeps that buffer rather than making its own.
    void firstPaintFindsItsBufferFilledIn()
    {
        void* probe =
            mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        const bool kernelCan = madvise(probe, 4096, 23 /* MADV_POPULATE_WRITE */) == 0;
        munmap(probe, 4096);
        if (!kernelCan)
            QSKIP("this kernel cannot fill memory in ahead");

        QWidget window;
        // Larger than any buffer made before in this process, so it is new memory.
        window.resize(1900, 1300);
        window.show();
        populateBackBuffer(&window);
        auto* image = static_cast<const QImage*>(window.backingStore()->paintDevice());
        QVERIFY(image && window.backingStore()->paintDevice()->devType() == QInternal::Image);
        QCOMPARE(image->size(), QSize(1900, 1300));
        const uchar* bits = image->constBits();
        QCOMPARE(pagesAbsent(bits, image->sizeInBytes()), 0);

        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.repaint();
        QCOMPARE(static_cast<const QImage*>(window.backingStore()->paintDevice())->constBits(),
                 bits);
        // A second call on the same buffer leaves it as it is.
        populateBackBuffer(&window);
        QCOMPARE(static_cast<const QImage*>(window.backingStore()->paintDevice())->constBits(),
                 bits);
    }
};

QUORL_TEST(PickerWindowTest)
#include "pickerwindowtest.moc"
