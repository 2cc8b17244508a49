// The theme page and the Misc page as a user drives them: the preview follows every
// change, a right click on it samples a colour, a margin that would crush the text is
// refused, the theme open at exit is open again at the next start; a poster chosen on
// the Misc page reaches the picker's poster, and "Don't use a Poster" takes it away; its
// "here." link opens the help.
#include "client/client.h"
#include "core/formatting.h"
#include "core/privateprofile.h"
#include "core/wincolor.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"
#include "ui/chat/chatview.h"
#include "ui/chat/nicklistview.h"
#include "ui/chat/textentry.h"
#include "ui/settings/colourpalette.h"
#include "ui/settings/miscpage.h"
#include "ui/settings/themepage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStackedLayout>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {
class Home
{
public:
    Home()
    {
        for (const char* folder : {"themes", "posters"})
            QDir(dir_.path()).mkpath(QLatin1String(folder));
    }
    QString path() const { return dir_.path() + u'/'; }
    void writePoster(const QString& name, QRgb bottomPixel1) const
    {
        QImage poster(16, 8, QImage::Format_RGB32);
        poster.fill(Qt::darkGreen);
        poster.setPixel(1, 7, bottomPixel1);
        QVERIFY(poster.save(path() + QStringLiteral("posters/") + name, "BMP"));
    }

private:
    QTemporaryDir dir_;
};
} // namespace

class ThemePagesTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void previewFollowsTheEditor()
    {
        Home home;
        ScriptedPrompts prompts;
        Client client(home.path(), prompts);
        ThemePage page(client);
        page.resize(900, 500);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));

        auto* panel = page.findChild<QWidget*>(QStringLiteral("Panel10"));
        auto* stack = qobject_cast<QStackedLayout*>(panel->layout());
        QCOMPARE(qobject_cast<QLabel*>(stack->currentWidget())->text(),
                 QStringLiteral("No Theme has been Opened"));
        QVERIFY(!page.findChild<QWidget*>(QStringLiteral("savethemebutton"))->isEnabled());

        ThemeEditor& editor = client.themeEditor();
        editor.open(QStringLiteral("NewTheme1"));
        QCOMPARE(page.findChild<QLabel*>(QStringLiteral("themetitle"))->text(),
                 QStringLiteral("Theme: NewTheme1"));
        ChatView* view = page.previewView();
        QVERIFY(view->isVisible());
        const QStringList lines = view->document()->plainLines();
        QCOMPARE(lines.size(), 12);
        QCOMPARE(lines.at(7), QStringLiteral("<Tam> This is a sample of Bold text."));
        QCOMPARE(lines.at(10), QStringLiteral("<Tam> This is a sample of Color characters."));
        QTRY_COMPARE(page.previewNickList()->count(), 13);
        QCOMPARE(page.previewNickList()->rowText(0), QStringLiteral("@Joutk"));
        QCOMPARE(page.previewEntry()->toPlainText(), QStringLiteral("This is the Text Entry Box."));
        QVERIFY(!view->linksEnabled());

        // BackColor from the palette, then a text colour sampled from the preview's empty
        // background with the right button.
        auto* items = page.findChild<QComboBox*>(QStringLiteral("ComboBox3"));
        QCOMPARE(items->currentText(), QStringLiteral("What uses this Theme?"));
        // The lines between groups of items are stepped over: the keyboard goes from
        // "Author" to "BackColor", whose editor replaces the text editor.
        items->setFocus();
        items->setCurrentIndex(items->findText(QStringLiteral("Author")));
        page.chooseItem(QStringLiteral("Author"));
        QVERIFY(page.findChild<QLineEdit*>(QStringLiteral("themetext"))->isVisible());
        QTest::keyClick(items, Qt::Key_Down);
        QCOMPARE(items->currentText(), QStringLiteral("BackColor"));
        QVERIFY(!page.findChild<QLineEdit*>(QStringLiteral("themetext"))->isVisible());
        QVERIFY(page.findChild<QWidget*>(QStringLiteral("Image1"))->isVisible());
        const int line = items->findText(QStringLiteral("Author")) + 1;
        QVERIFY(!(items->model()->flags(items->model()->index(line, 0)) & Qt::ItemIsEnabled));
        page.chooseItem(QStringLiteral("BackColor"));
        QCOMPARE(page.findChild<QLabel*>(QStringLiteral("helptext"))->text().left(19),
                 QStringLiteral("Select a Color for "));
        auto* palette = page.findChild<ColourPalette*>(QStringLiteral("Image1"));
        QTest::mousePress(palette, Qt::LeftButton, {}, QPoint(40, 20));
        const QColor chosen = palette->colourAt(QPoint(40, 20));
        QCOMPARE(editor.record().backcolor, winFromColor(chosen));
        QCOMPARE(view->document()->theme().backcolor, winFromColor(chosen));

        page.chooseItem(QStringLiteral("You Font Color"));
        const QPoint empty(view->width() - 40, view->height() - 30);
        QTest::mousePress(view, Qt::RightButton, {}, empty);
        QCOMPARE(editor.record().youcolor, winFromColor(chosen));
        QCOMPARE(editor.record().backcolor, winFromColor(chosen));

        // A right margin that leaves less than 90 pixels is refused, and the slider
        // goes back.
        page.chooseItem(QStringLiteral("Right Margin"));
        auto* slider = page.findChild<QSlider*>(QStringLiteral("marginslider"));
        QVERIFY(slider->isVisible());
        slider->setValue(20);
        QCOMPARE(editor.record().textscalex2, 995);
        QCOMPARE(slider->value(), 995);
        slider->setValue(900);
        QCOMPARE(editor.record().textscalex2, 900);

        // The theme's uses, through the uses editor's controls.
        page.chooseItem(QStringLiteral("What uses this Theme?"));
        page.findChild<QComboBox*>(QStringLiteral("ComboBox2"))->setCurrentIndex(3);
        auto* argument = page.findChild<QLineEdit*>(QStringLiteral("Edit3"));
        QVERIFY(argument->isVisible());
        argument->setText(QStringLiteral("#quorl"));
        page.findChild<QPushButton*>(QStringLiteral("addusebutton"))->click();
        auto* uses = page.findChild<QListWidget*>(QStringLiteral("uselist"));
        QCOMPARE(uses->count(), 1);
        QCOMPARE(uses->item(0)->text(), QStringLiteral("Channel #quorl"));
        QCOMPARE(client.options().display.themeUses.last(), QStringLiteral("newtheme1,CH#quorl"));

        editor.close();
        QCOMPARE(stack->currentIndex(), 0);
    }

    // DISPLAY recent: the theme open at exit opens at the next start; none gives "f".
    void themeOpenAtExitOpensAgain()
    {
        Home home;
        ThemeRecord mine = ThemeRecord::newTheme1();
        mine.name = QStringLiteral("Mine");
        mine.tileon = true;
        mine.tilename = QStringLiteral("gone.bmp");
        QVERIFY(ThemeFile::save(home.path(), mine));
        {
            ScriptedPrompts prompts;
            Client client(home.path(), prompts);
            QFile ini(client.settingsFileName());
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[DISPLAY]\nrecent=f\n");
            ini.close();
            QVERIFY(client.readSettings());
            QVERIFY(!client.themeEditor().isOpen());
            QVERIFY(client.writeSettings());
            QCOMPARE(PrivateProfile(client.settingsFileName()).value("DISPLAY", "recent"),
                     QStringLiteral("f"));
            client.themeEditor().open(QStringLiteral("Mine"));
            QVERIFY(client.writeSettings());
            QCOMPARE(PrivateProfile(client.settingsFileName()).value("DISPLAY", "recent"),
                     QStringLiteral("mine"));
        }
        ScriptedPrompts prompts;
        Client client(home.path(), prompts);
        ThemePage page(client);
        QVERIFY(client.readSettings());
        QVERIFY(client.themeEditor().isOpen());
        QCOMPARE(client.themeEditor().record().name, QStringLiteral("Mine"));
        QCOMPARE(page.findChild<QLabel*>(QStringLiteral("themetitle"))->text(),
                 QStringLiteral("Theme: Mine"));
        // What the load could not use is told under the sample lines.
        const QStringList lines = page.previewView()->document()->plainLines();
        QCOMPARE(lines.size(), 13);
        QCOMPARE(lines.last(), QStringLiteral("THEME ERROR - Can't find gone.bmp for Background."));
    }

    void miscPagePosterAndFrame()
    {
        Home home;
        home.writePoster(QStringLiteral("Blue.bmp"), qRgb(0, 0, 255));
        home.writePoster(QStringLiteral("Red.bmp"), qRgb(255, 0, 0));
        ScriptedPrompts prompts;
        Client client(home.path(), prompts);
        MiscPage page(client);
        QSignalSpy changed(&page, &MiscPage::posterChanged);

        auto* list = page.findChild<QListWidget*>(QStringLiteral("FileListBox1"));
        QCOMPARE(list->count(), 2);
        page.choosePoster(QStringLiteral("Red.bmp"));
        QVERIFY(client.poster().loaded());
        QCOMPARE(client.poster().entryBackground(), std::optional<QColor>(QColor(255, 0, 0)));
        QCOMPARE(client.options().appearance.lastPoster, QStringLiteral("Red.bmp"));
        QCOMPARE(changed.size(), 1);

        const qsizetype statusBefore = client.statusLog().lines().size();
        page.findChild<QCheckBox*>(QStringLiteral("CheckBox13"))->click();
        QVERIFY(client.options().appearance.noPoster);
        QVERIFY(!client.poster().loaded());
        QCOMPARE(client.statusLog().lines().size(), statusBefore);
        QCOMPARE(list->currentItem()->text(), QStringLiteral("Red.bmp"));
        // While ticked the list chooses nothing.
        page.choosePoster(QStringLiteral("Blue.bmp"));
        QVERIFY(!client.poster().loaded());
        page.findChild<QCheckBox*>(QStringLiteral("CheckBox13"))->click();
        QVERIFY(client.poster().loaded());
        QCOMPARE(client.poster().name(), QStringLiteral("Red.bmp"));

        // A poster deleted behind the list's back is reported and leaves system colours.
        QVERIFY(QFile::remove(home.path() + QStringLiteral("posters/Blue.bmp")));
        page.choosePoster(QStringLiteral("Blue.bmp"));
        QVERIFY(!client.poster().loaded());
        QCOMPARE(client.statusLog().lines().last(),
                 QStringLiteral("Can't find the proper tile Blue.bmp"));
        QCOMPARE(client.options().appearance.lastPoster, QStringLiteral("Red.bmp"));

        QSignalSpy frame(&page, &MiscPage::tileFrameColourChanged);
        auto* tileFramePalette = page.findChild<ColourPalette*>(QStringLiteral("Image2"));
        QTest::mousePress(tileFramePalette, Qt::LeftButton, {}, QPoint(100, 10));
        const QColor picked = tileFramePalette->colourAt(QPoint(100, 10));
        QCOMPARE(client.options().appearance.tileFrameColor, winFromColor(picked));
        QCOMPARE(page.findChild<ColourSwatch*>(QStringLiteral("Shape2"))->colour(), picked);
        QCOMPARE(frame.size(), 1);
    }

    // The "here." link of the Misc page opens the help index in the browser.
    void miscPageHelpLink()
    {
        Home home;
        const QString seen = home.path() + QStringLiteral("seen.txt");
        const QString program = home.path() + QStringLiteral("browser.sh");
        QFile script(program);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s' \"$1\" > \"" + seen.toUtf8() + "\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ScriptedPrompts prompts;
        Client client(home.path(), prompts);
        client.options().browser.useOther = true;
        client.options().browser.path = program;
        MiscPage page(client);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));

        auto* link = page.findChild<QLabel*>(QStringLiteral("helplink"));
        QVERIFY(link && link->isVisible());
        const QString before = QStringLiteral("For help with QuorlIRC, click ");
        QVERIFY(link->text().startsWith(before));
        // A click on the word "here.".
        const QPoint onHere(link->contentsRect().left() +
                                link->fontMetrics().horizontalAdvance(before) +
                                link->fontMetrics().horizontalAdvance(QStringLiteral("he")),
                            link->contentsRect().center().y());
        QTest::mouseClick(link, Qt::LeftButton, {}, onHere);
        auto opened = [&seen] {
            QFile result(seen);
            return result.open(QIODevice::ReadOnly) ? QString::fromUtf8(result.readAll())
                                                    : QString();
        };
        QTRY_COMPARE(
            opened(),
            QUrl::fromLocalFile(home.path() + QStringLiteral("Help/index.htm")).toString());
    }
};

QUORL_TEST(ThemePagesTest)
#include "themepagestest.moc"
