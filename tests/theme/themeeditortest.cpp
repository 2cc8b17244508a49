// The theme editor without its page: the item list, margins that would crush the text
// area, uses that move between themes, the name a saved file gives, and what deleting a
// theme leaves behind.
#include "theme/themeeditor.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
class Folder
{
public:
    Folder() { QDir(dir_.path()).mkpath(QStringLiteral("themes")); }
    QString path() const { return dir_.path() + u'/'; }
    QString themes() const { return path() + QStringLiteral("themes/"); }
    void writePicture(const QString& path) const
    {
        QImage picture(4, 4, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(path, "BMP"));
    }

private:
    QTemporaryDir dir_;
};
} // namespace

class ThemeEditorTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Items keep their order, and each editor kind edits a field of the matching type.
    void itemListMatchesItsEditors()
    {
        const auto& items = ThemeItems::all();
        QCOMPARE(int(items.size()), 49);
        QCOMPARE(items.front().caption, QStringLiteral("What uses this Theme?"));
        QCOMPARE(items.at(4).caption, QStringLiteral("Background Pic"));
        QCOMPARE(items.back().caption, QStringLiteral("Text Entry BackColor"));
        int colours = 0;
        for (const ThemeItem& item : items) {
            // "Ignore Mirc BackColor" is a yes/no item.
            const bool colourName = item.caption.endsWith(QLatin1String("Color")) &&
                                    !item.caption.startsWith(QLatin1String("Ignore"));
            QCOMPARE(item.kind == ThemeItemKind::Colour, colourName);
            QCOMPARE(item.kind == ThemeItemKind::Size,
                     item.caption.endsWith(QLatin1String("Font Size")));
            QCOMPARE(item.colour != nullptr, item.kind == ThemeItemKind::Colour);
            QCOMPARE(item.flag != nullptr, item.kind == ThemeItemKind::YesNo);
            QVERIFY2(!item.help.isEmpty(), qPrintable(item.caption));
            colours += colourName;
        }
        QCOMPARE(colours, 19);
        // Fields the names do not spell out.
        QCOMPARE(ThemeItems::find("Select Text Color")->colour, &ThemeRecord::selectfontcolor);
        QCOMPARE(ThemeItems::find("Text Entry Color")->colour, &ThemeRecord::textentrytextcolor);
        QCOMPARE(ThemeItems::find("Top Margin")->number, &ThemeRecord::textscaley1);
        QCOMPARE(ThemeItems::find("Right Margin")->number, &ThemeRecord::textscalex2);
        QVERIFY(ThemeItems::find("Select BackColor")
                    ->help.endsWith(
                        "3)  Right-Click on the background of the chat window to sample a color."));
        QVERIFY(ThemeItems::find("You Bold")->help.startsWith("Select Yes if you want "));
        QVERIFY(ThemeItems::find("Left Margin")
                    ->help.startsWith("Move the slider bar above to change the "));
        QVERIFY(!ThemeItems::find("-------------"));
    }

    // A 500 x 300 view: the text area keeps 90 pixels of width and 60 of height.
    void marginsKeepTheTextAreaUsable_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("taken");
        // Left is 0 (0 of 1000); right at 180 leaves exactly 90 pixels.
        QTest::newRow("right at 90 px") << "Right Margin" << 180 << true;
        QTest::newRow("right at 89 px") << "Right Margin" << 179 << false;
        QTest::newRow("right left of left") << "Right Margin" << 0 << false;
        // Right edge at 995 = 497 px; left at 815 = 407 px leaves 90.
        QTest::newRow("left at 90 px") << "Left Margin" << 815 << true;
        QTest::newRow("left at 88 px") << "Left Margin" << 818 << false;
        // Bottom at 995 = 298 px; top at 793 = 237 px leaves 61, at 800 = 240 leaves 58.
        QTest::newRow("top leaves 61 px") << "Top Margin" << 793 << true;
        QTest::newRow("top leaves 58 px") << "Top Margin" << 800 << false;
        QTest::newRow("bottom at 60 px") << "Bottom Margin" << 200 << true;
        QTest::newRow("bottom at 57 px") << "Bottom Margin" << 190 << false;
        QTest::newRow("full width") << "Right Margin" << 1000 << true;
    }
    void marginsKeepTheTextAreaUsable()
    {
        QFETCH(QString, item);
        QFETCH(int, value);
        QFETCH(bool, taken);
        Folder folder;
        QStringList uses;
        ScriptedPrompts prompts;
        ThemeEditor editor(folder.path(), uses, prompts);
        editor.open(ThemeFile::builtInName()); // margins 0, 0, 995, 995
        const ThemeItem* margin = ThemeItems::find(item);
        QVERIFY(margin);
        const int before = editor.record().*margin->number;
        QCOMPARE(editor.setMargin(*margin, value, QSize(500, 300)), taken);
        QCOMPARE(editor.record().*margin->number, taken ? value : before);
    }

    void usesMoveBetweenThemes()
    {
        Folder folder;
        QStringList uses{QStringLiteral("quorl,CH!unused!,PC!unused!,CH#quorlirc"),
                         QStringLiteral("dark,CH#Quorl,DCbob")};
        ScriptedPrompts prompts;
        ThemeEditor editor(folder.path(), uses, prompts);
        editor.open(QStringLiteral("Light"));

        // Typed in other capitals: the channel still leaves "dark", and "#quorlirc",
        // which merely begins with it, stays with "quorl".
        editor.addUse(ThemeUseKind::Channel, QStringLiteral("  #QUORL "));
        editor.addUse(ThemeUseKind::ChannelDefault, QString());
        editor.addUse(ThemeUseKind::Private, QStringLiteral("   ")); // no argument: nothing
        QCOMPARE(uses, (QStringList{QStringLiteral("quorl,PC!unused!,CH#quorlirc"),
                                    QStringLiteral("dark,DCbob"),
                                    QStringLiteral("light,CH#QUORL,CH!unused!")}));
        QCOMPARE(editor.useLines(), (QStringList{QStringLiteral("Channel #QUORL"),
                                                 QStringLiteral("Channel Default")}));
        QCOMPARE(ThemeFile::choose(uses, ThemeKind::Channel, QStringLiteral("#elsewhere")),
                 QStringLiteral("light"));

        // A default line stands for no token: it stays until another theme takes it.
        editor.deleteUse(QStringLiteral("Channel Default"));
        editor.deleteUse(QStringLiteral("Channel #QUORL"));
        QCOMPARE(uses.last(), QStringLiteral("light,CH!unused!"));

        // The other theme takes it back and names all three kinds.
        editor.open(QStringLiteral("dark"));
        editor.addUse(ThemeUseKind::ChannelDefault, QString());
        editor.addUse(ThemeUseKind::Private, QStringLiteral("wren"));
        QCOMPARE(uses.at(1), QStringLiteral("dark,DCbob,CH!unused!,PCwren"));
        QCOMPARE(uses.last(), QStringLiteral("light"));
        QCOMPARE(editor.useLines(),
                 (QStringList{QStringLiteral("DCC: bob"), QStringLiteral("Channel Default"),
                              QStringLiteral("Private: wren")}));
    }

    void saveNamesTheFileInTheThemesFolder_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("name");
        QTest::newRow("without extension") << "mine"
                                           << "mine";
        QTest::newRow("with extension") << "mine.qth"
                                        << "mine";
        QTest::newRow("capital extension") << "Mine.QTH"
                                           << "Mine";
        QTest::newRow("other folder") << "/tmp/elsewhere/away.qth"
                                      << "away";
        QTest::newRow("dots kept") << "v1.2"
                                   << "v1.2";
    }
    void saveNamesTheFileInTheThemesFolder()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, name);
        Folder folder;
        QStringList uses;
        ScriptedPrompts prompts;
        ThemeEditor editor(folder.path(), uses, prompts);
        editor.open(ThemeFile::builtInName());
        editor.setColour(*ThemeItems::find("BackColor"), 0x123456);
        QSignalSpy titles(&editor, &ThemeEditor::titleChanged);
        QVERIFY(editor.saveAs(chosen));
        QCOMPARE(editor.record().name, name);
        QCOMPARE(titles.value(0).value(0).toString(), "Theme: " + name);
        QVERIFY(QFile::exists(folder.themes() + name + ".qth"));
        QCOMPARE(QDir(folder.themes()).entryList(QDir::Files).size(), 1);
        const LoadedTheme back = ThemeFile::load(folder.path(), name);
        QCOMPARE(back.record.backcolor, 0x123456);
        QCOMPARE(back.record.author, QStringLiteral("You"));
    }

    void saveRefusesNamesThatCannotBeOpenedAgain()
    {
        Folder folder;
        QStringList uses;
        ScriptedPrompts prompts;
        ThemeEditor editor(folder.path(), uses, prompts);
        editor.open(ThemeFile::builtInName());
        QVERIFY(!editor.saveAs(QStringLiteral("newtheme1.qth")));
        QVERIFY(!editor.saveAs(QStringLiteral(".qth")));
        QCOMPARE(prompts.warnings.size(), 2);
        QVERIFY(QDir(folder.themes()).entryList(QDir::Files).isEmpty());
        QCOMPARE(editor.record().name, ThemeFile::builtInName());
    }

    void deleteKeepsUsesAndAsksAboutThePicture_data()
    {
        QTest::addColumn<bool>("deletePicture");
        QTest::newRow("picture deleted") << true;
        QTest::newRow("picture kept") << false;
    }
    void deleteKeepsUsesAndAsksAboutThePicture()
    {
        QFETCH(bool, deletePicture);
        Folder folder;
        folder.writePicture(folder.themes() + "Stones.bmp");
        ThemeRecord record = ThemeRecord::newTheme1();
        record.name = QStringLiteral("Rock");
        record.tileon = true;
        record.tilename = QStringLiteral("Stones.bmp");
        QVERIFY(ThemeFile::save(folder.path(), record));

        const QStringList before{QStringLiteral("rock,CH#quorl,CH!unused!")};
        QStringList uses = before;
        ScriptedPrompts prompts;
        prompts.yesNoAnswers = {true, deletePicture};
        ThemeEditor editor(folder.path(), uses, prompts);
        editor.open(QStringLiteral("rock"));
        QSignalSpy titles(&editor, &ThemeEditor::titleChanged);
        editor.deleteTheme();

        QCOMPARE(prompts.questions,
                 (QStringList{"Are you sure you want to DELETE this theme?",
                              "You have just deleted the Rock.qth file for this theme.  Do you "
                              "want to delete its Background Picture (Stones.bmp) too?"}));
        QVERIFY(!QFile::exists(folder.themes() + "Rock.qth"));
        QCOMPARE(QFile::exists(folder.themes() + "Stones.bmp"), !deletePicture);
        QCOMPARE(uses, before);
        QVERIFY(!editor.isOpen());
        QCOMPARE(titles.value(0).value(0).toString(), QStringLiteral("Theme Deleted"));
        // A window for the channel now loads a missing file: all defaults.
        const ThemeRecord now =
            ThemeFile::load(folder.path(), ThemeFile::choose(uses, ThemeKind::Channel, "#quorl"))
                .record;
        QCOMPARE(now.name, QStringLiteral("rock"));
        QCOMPARE(now.youcolor, 0);
        QVERIFY(now.errors.isEmpty());
    }

    // A theme from elsewhere may name a picture outside the themes folder: it is never
    // offered for deletion. No answered: nothing is deleted at all.
    void deleteTouchesNothingOutsideTheThemesFolder()
    {
        Folder folder;
        folder.writePicture(folder.path() + "outside.bmp");
        ThemeRecord record = ThemeRecord::newTheme1();
        record.name = QStringLiteral("far");
        record.tileon = true;
        record.tilename = QStringLiteral("../outside.bmp");
        QVERIFY(ThemeFile::save(folder.path(), record));
        QStringList uses;
        ScriptedPrompts prompts;
        ThemeEditor editor(folder.path(), uses, prompts);
        editor.open(QStringLiteral("far"));
        QVERIFY(editor.record().tileon);

        prompts.yesNoAnswers = {false};
        editor.deleteTheme();
        QVERIFY(editor.isOpen());
        QVERIFY(QFile::exists(folder.themes() + "far.qth"));

        prompts.yesNoAnswers = {true, true};
        editor.deleteTheme();
        QCOMPARE(prompts.questions.size(), 2); // the picture question never came
        QVERIFY(!QFile::exists(folder.themes() + "far.qth"));
        QVERIFY(QFile::exists(folder.path() + "outside.bmp"));
        QVERIFY(!editor.isOpen());
    }

    void newAsksOnlyWhileAThemeIsOpen()
    {
        Folder folder;
        QStringList uses;
        ScriptedPrompts prompts;
        ThemeEditor editor(folder.path(), uses, prompts);
        editor.newTheme();
        QVERIFY(prompts.questions.isEmpty());
        QCOMPARE(editor.record().name, ThemeFile::builtInName());
        editor.setColour(*ThemeItems::find("BackColor"), 42);
        prompts.yesNoAnswers = {false};
        editor.newTheme();
        QCOMPARE(prompts.questions, QStringList{"Create a New Theme?"});
        QCOMPARE(editor.record().backcolor, 42);
        prompts.yesNoAnswers = {true};
        editor.newTheme();
        QCOMPARE(editor.record().backcolor, 0);
    }
};

QUORL_TEST(ThemeEditorTest)
#include "themeeditortest.moc"
