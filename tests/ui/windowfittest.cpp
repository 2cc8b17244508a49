// The main window at its sizes: every settings page listed in full at the usual size, and
// nothing of any page or of the status strip squeezed below what it needs at the smallest.
#include "client/client.h"
#include "support/settingstabs.h"
#include "support/testmain.h"
#include "ui/dcc/filespanel.h"
#include "ui/mainwindow.h"
#include "ui/settings/servertreepage.h"
#include "ui/settings/settingspanel.h"

#include <QApplication>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {
// What a widget's layout needs, its height at its present width included.
QSize needed(const QWidget* widget)
{
    QSize need = widget->minimumSizeHint();
    if (widget->hasHeightForWidth())
        need.setHeight(std::max(need.height(), widget->heightForWidth(widget->width())));
    return need;
}

// Empty when the widget has the room its layout needs; else what it has and needs.
QString shortfall(const QWidget* widget)
{
    const QSize need = needed(widget);
    if (widget->width() >= need.width() && widget->height() >= need.height())
        return QString();
    return QStringLiteral("%1x%2 for %3x%4")
        .arg(widget->width())
        .arg(widget->height())
        .arg(need.width())
        .arg(need.height());
}
} // namespace

class WindowFitTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everySettingsPageIsListedAtTheUsualSize()
    {
        QTemporaryDir home;
        MainWindow form(home.path() + u'/');
        form.setWindowState(Qt::WindowNoState);
        form.resize(1000, 680);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto* tabs = form.findChild<QTabWidget*>("settingspanel");
        QTabBar* list = tabs->tabBar();
        const QStringList names{
            "Servers",           "User",    "Ignore",    "Messages",  "Sound",   "File Server",
            "Notify List",       "Aliases", "Scripting", "Menu Mods", "DCC",     "Channel List",
            "Favorite Channels", "Themes",  "Misc",      "Server",    "Raw Data"};
        QCOMPARE(tabs->count(), names.size());
        for (int i = 0; i < tabs->count(); ++i) {
            QCOMPARE(tabs->tabText(i), names.at(i));
            // Inside the list and wide enough for its whole name: nothing to scroll to.
            const QRect row = list->tabRect(i);
            QVERIFY2(list->rect().contains(row), qPrintable(names.at(i)));
            QVERIFY2(row.width() > list->fontMetrics().horizontalAdvance(names.at(i)),
                     qPrintable(names.at(i)));
        }
        for (const QToolButton* arrow : list->findChildren<QToolButton*>())
            QVERIFY(!arrow->isVisible());

        // Ctrl+Tab and Ctrl+Shift+Tab step through the pages, round from the last, from
        // wherever the keyboard is in the window.
        form.serverPage()->setFocus();
        const auto press = [](Qt::Key key, Qt::KeyboardModifiers modifiers) {
            QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        };
        press(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 1);
        QTRY_VERIFY(form.findChild<QWidget*>("usersettingspage")->isVisible());
        press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(tabs->currentIndex(), tabs->count() - 1);
        press(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 0);
    }

    void nothingIsSqueezedAtTheSmallestSize()
    {
        QTemporaryDir home;
        MainWindow form(home.path() + u'/');
        form.setWindowState(Qt::WindowNoState);
        form.resize(640, 480);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.size(), MainWindow::MinimumSize);
        // A nickname as long as servers allow does not push the buttons off the strip.
        form.client().connection().setNickname(QStringLiteral("averyveryverylongnickname30ch"));
        QWidget* strip = form.findChild<QWidget*>("statuspanel");
        QVERIFY2(shortfall(strip).isEmpty(), qPrintable(shortfall(strip)));

        auto* tabs = form.findChild<QTabWidget*>("settingspanel");
        showEverySettingsTab(form);
        // The theme editor shows its editors and the preview once a theme is open.
        form.client().themeEditor().newTheme();
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QWidget* page = tabs->widget(i);
            QVERIFY2(shortfall(page).isEmpty(),
                     qPrintable(tabs->tabText(i) + u' ' + shortfall(page)));
        }
        // The Files panel's rows of buttons too.
        form.client().windows().picker().selectRow(4);
        auto* files = form.findChild<FilesPanel*>();
        QVERIFY(files && files->isVisible());
        QTRY_VERIFY2(shortfall(files).isEmpty(), qPrintable(shortfall(files)));
    }
};

QUORL_TEST(WindowFitTest)
#include "windowfittest.moc"
