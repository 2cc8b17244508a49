// The DCC widgets: the receive prompt's "Resume from", the "Send a File" dialog, the
// transfer list views following their rows, and the two section panels.
#include "dccpeer.h"
#include "support/testmain.h"
#include "ui/dcc/bytesize.h"
#include "ui/dcc/dccprompts.h"
#include "ui/dcc/dccsettingspage.h"
#include "ui/dcc/fileselectdialog.h"
#include "ui/dcc/filespanel.h"
#include "ui/dcc/transferlistview.h"

#include <QCheckBox>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyleOptionProgressBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

namespace {
// Notes each progress bar drawn, as its value and its text.
class ProgressRecorder : public QProxyStyle
{
public:
    mutable QStringList bars;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (const auto* bar = qstyleoption_cast<const QStyleOptionProgressBar*>(option);
            bar && element == CE_ProgressBar)
            bars << QString::number(bar->progress) + u' ' + bar->text;
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};
} // namespace

class DccWidgetsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void receivePromptOffersResume_data()
    {
        QTest::addColumn<int>("existing"); // -1: no file
        QTest::addColumn<QString>("caption");
        QTest::newRow("shorter file") << 3 << "Resume from 3 bytes.";
        QTest::newRow("file as large as the offer") << 10 << "Resume";
        QTest::newRow("larger file") << 12 << "Resume";
        QTest::newRow("no file") << -1 << "Resume";
    }
    void receivePromptOffersResume()
    {
        QFETCH(int, existing);
        QFETCH(QString, caption);
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';
        if (existing >= 0)
            QVERIFY(writeFile(folder + QStringLiteral("song.mp3"), QByteArray(existing, 'x')));
        FileOfferAnswer answer;
        int answers = 0;
        {
            ReceiveFileDialog dialog(
                {QStringLiteral("alice"), QStringLiteral("song.mp3"), 10, false, folder},
                [&](const FileOfferAnswer& a) {
                    answer = a;
                    ++answers;
                });
            QCOMPARE(dialog.resumeButton()->text(), caption);
            // The folder tree opens at the save folder as its folders are read.
            auto* tree = dialog.findChild<QTreeView*>();
            auto* folders = qobject_cast<QFileSystemModel*>(tree->model());
            QCOMPARE(folders->filePath(tree->currentIndex()), dir.path());
            QTRY_VERIFY(tree->isExpanded(tree->currentIndex().parent()));
            QCOMPARE(dialog.resumeButton()->isEnabled(), caption != QStringLiteral("Resume"));
            if (dialog.resumeButton()->isEnabled())
                dialog.resumeButton()->click();
        }
        // One answer, whether a button gave it or the dialog went without one.
        QCOMPARE(answers, 1);
        QCOMPARE(answer.choice, existing == 3 ? FileOfferChoice::Resume : FileOfferChoice::Reject);
        QCOMPARE(answer.folder, folder);
    }

    void sendDialogOffersTheChosenFiles()
    {
        DccPeer alice(QStringLiteral("alice"));
        const QString folder = alice.path(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(folder));
        for (const char* name : {"b.txt", "a.txt", "c.txt"})
            QVERIFY(writeFile(folder + u'/' + QLatin1String(name), "data"));
        FileSends& sends = alice.dcc().sends();
        FileSelectDialog dialog(sends, folder, QString());
        dialog.show();
        QListWidget* files = dialog.fileList();
        QCOMPARE(files->count(), 3);
        files->item(0)->setSelected(true); // a.txt
        files->item(2)->setSelected(true); // c.txt
        QVERIFY(dialog.findChild<QLabel*>() != nullptr);
        QVERIFY(!dialog.send()); // no nick yet
        QTest::keyClicks(dialog.nickEdit(), QStringLiteral(" bob "));
        QTest::keyClick(dialog.nickEdit(), Qt::Key_Return);
        QVERIFY(dialog.isVisible()); // Enter neither sends nor closes
        QVERIFY(sends.list().rows().empty());
        QVERIFY(dialog.send());
        QCOMPARE(sends.list().rows().size(), size_t(2));
        QCOMPARE(sends.list().rows().at(0).text(TransferRow::FileName),
                 folder + QStringLiteral("/a.txt"));
        QCOMPARE(sends.list().rows().at(1).text(TransferRow::FileName),
                 folder + QStringLiteral("/c.txt"));
        QCOMPARE(sends.lastNick, QStringLiteral("bob"));
        QCOMPARE(sends.lastFolder, folder + u'/');
    }

    void listViewFollowsItsRows()
    {
        TransferList list;
        list.addRow({"early", "f", "", "", "", "", "Done."});
        TransferListView view(list, {"A", "B", "C", "D", "E", "F", "G"});
        const int id = list.addRow({"bob", "/x/a.bin", "---", "10", "---", "---", "Looking..."});
        QCOMPARE(view.topLevelItemCount(), 2);
        list.setText(id, TransferRow::Status, QStringLiteral("Receiving..."));
        QCOMPARE(view.topLevelItem(1)->text(TransferRow::Status), QStringLiteral("Receiving..."));
        view.topLevelItem(1)->setSelected(true);
        QCOMPARE(view.selectedRowIds(), QList<int>{id});
        list.removeRow(id);
        QCOMPARE(view.topLevelItemCount(), 1);
        QCOMPARE(view.topLevelItem(0)->text(TransferRow::Nick), QStringLiteral("early"));
        // A row that is gone is never written again.
        QVERIFY(!list.setText(id, TransferRow::Status, QStringLiteral("late")));
    }

    void filesPanelShowsProgressWhileItRuns()
    {
        // A sender of the test's own that sends half the file and waits.
        DccPeer bob(QStringLiteral("bob"));
        bob.client->options().dcc.fileInboundAction = DccOptions::FileOffer::Get;
        FilesPanel panel(*bob.client);
        panel.resize(900, 500);
        panel.show();
        QTcpServer sender;
        QVERIFY(sender.listen(QHostAddress::LocalHost));
        bob.hear(QStringLiteral("alice"), QStringLiteral("PRIVMSG bob :\x01"
                                                         "DCC SEND half.bin 2130706433 ") +
                                              QString::number(sender.serverPort()) +
                                              QStringLiteral(" 100000\x01"));
        QTRY_VERIFY(sender.hasPendingConnections());
        QTcpSocket* link = sender.nextPendingConnection();
        link->write(patternBytes(50000));
        QTreeWidget* rows = panel.inbound();
        QCOMPARE(rows->topLevelItemCount(), 1);
        // The row catches up within a refresh, without waiting for the transfer to end.
        QTRY_COMPARE(rows->topLevelItem(0)->text(TransferRow::Done), QStringLiteral("50000"));
        QTreeWidgetItem* row = rows->topLevelItem(0);
        QCOMPARE(row->text(TransferRow::Completed), QStringLiteral("50%"));
        QCOMPARE(row->text(TransferRow::Status), QStringLiteral("Receiving..."));
        QCOMPARE(row->text(TransferRow::FileName), bob.folder() + QStringLiteral("half.bin"));

        // What the row shows: the file's name (the path in its tooltip), sizes to read at a
        // glance (the bytes in the tooltip), and Completed drawn as a bar at its percentage.
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const auto shown = [row](TransferRow::Column c) {
            return TransferRowDelegate::shownText(c, row->text(c));
        };
        QCOMPARE(shown(TransferRow::FileName), QStringLiteral("half.bin"));
        QCOMPARE(row->toolTip(TransferRow::FileName), bob.folder() + QStringLiteral("half.bin"));
        QCOMPARE(shown(TransferRow::Size), QStringLiteral("97.7 KB"));
        QCOMPARE(TransferRowDelegate::toolTip(TransferRow::Size, row->text(TransferRow::Size)),
                 QStringLiteral("100,000 bytes"));
        QCOMPARE(TransferRowDelegate::shownText(TransferRow::Size, QStringLiteral("6291456")),
                 QStringLiteral("6.0 MB"));
        QCOMPARE(TransferRowDelegate::shownText(TransferRow::Done, QStringLiteral("3221225472")),
                 QStringLiteral("3.0 GB"));
        QCOMPARE(shown(TransferRow::Status), QStringLiteral("Receiving..."));
        // The receive prompt gives the size both ways.
        QCOMPARE(ByteSize::bothWays(25165824), QStringLiteral("24.0 MB (25,165,824 bytes)"));
        QLocale::setDefault(before);
        ProgressRecorder style;
        rows->setStyle(&style);
        rows->grab();
        QCOMPARE(style.bars, QStringList{QStringLiteral("50 50%")});
        rows->setStyle(nullptr);
    }

    void sectionPanels()
    {
        DccPeer alice(QStringLiteral("alice"));
        FilesPanel files(*alice.client);
        for (const char* name :
             {"outboundfilelist", "inboundfilelist", "ToolButton6", "ToolButton28", "ToolButton11",
              "ToolButton45", "ToolButton47", "ToolButton80", "ToolButton82", "filterlist"})
            QVERIFY2(files.findChild<QWidget*>(QLatin1String(name)), name);
        // Filters typed in the panel are the ones offers are sorted by.
        auto* filters = files.findChild<QPlainTextEdit*>(QStringLiteral("filterlist"));
        filters->setPlainText(QStringLiteral("*.wav /tmp"));
        QCOMPARE(alice.client->options().dcc.filters, QStringList{QStringLiteral("*.wav /tmp")});

        DccChatPanel chat(*alice.client);
        QTest::keyClicks(chat.findChild<QLineEdit*>(QStringLiteral("Edit19")),
                         QStringLiteral("carol"));
        chat.findChild<QPushButton*>(QStringLiteral("Button14"))->click();
        QVERIFY(alice.sent.contains(QStringLiteral("NOTICE carol :DCC Chat (127.0.0.1)")));
        QCOMPARE(alice.dcc().chats().pendingCount(), 1);

        // The offer choices: the page shows the model and writes the user's choice back.
        alice.client->options().dcc.chatInboundAction = DccOptions::ChatOffer::Accept;
        alice.client->options().dcc.fileInboundAction = DccOptions::FileOffer::Ignore;
        DccSettingsPage page(*alice.client);
        QVERIFY(page.findChild<QRadioButton*>(QStringLiteral("RadioButton6"))->isChecked());
        QVERIFY(page.findChild<QRadioButton*>(QStringLiteral("RadioButton4"))->isChecked());
        page.findChild<QRadioButton*>(QStringLiteral("RadioButton7"))->click();
        page.findChild<QRadioButton*>(QStringLiteral("RadioButton5"))->click();
        QCOMPARE(alice.client->options().dcc.chatInboundAction, DccOptions::ChatOffer::Ignore);
        QCOMPARE(alice.client->options().dcc.fileInboundAction, DccOptions::FileOffer::Get);
        // Passive offers and automatic resume start off; the incoming limit at 10.
        auto* passive = page.findChild<QCheckBox*>(QStringLiteral("passive"));
        auto* resume = page.findChild<QCheckBox*>(QStringLiteral("autoResume"));
        auto* most = page.findChild<QSpinBox*>(QStringLiteral("maxIncoming"));
        QVERIFY(passive && resume && most);
        QVERIFY(!passive->isChecked() && !resume->isChecked());
        QCOMPARE(most->value(), 10);
        passive->click();
        resume->click();
        most->setValue(3);
        QVERIFY(alice.client->options().dcc.passive);
        QVERIFY(alice.client->options().dcc.resumeAutomatically);
        QCOMPARE(alice.client->options().dcc.maxIncoming, 3);
    }
};

QUORL_TEST(DccWidgetsTest)
#include "dccwidgetstest.moc"
