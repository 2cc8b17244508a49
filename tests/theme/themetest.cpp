// Theme files: what a load makes of odd or missing values, which theme a new window
// gets, and that a saved theme reads back the same.
#include "core/privateprofile.h"
#include "core/wincolor.h"
#include "support/testmain.h"
#include "theme/themefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
// A program folder with a themes folder to write theme files into.
class ProgramFolder
{
public:
    ProgramFolder() { QDir(dir_.path()).mkpath(QStringLiteral("themes")); }
    QString path() const { return dir_.path() + u'/'; }
    QString themeFile(const QString& fileName) const
    {
        return path() + QStringLiteral("themes/") + fileName;
    }
    void write(const QString& fileName, const QByteArray& bytes) const
    {
        QFile f(themeFile(fileName));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

private:
    QTemporaryDir dir_;
};

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A record in which every field differs from both the file defaults and NewTheme1.
ThemeRecord unusualRecord()
{
    ThemeRecord r;
    r.name = QStringLiteral("Unusual");
    r.author = QStringLiteral("Zo\u00eb");
    r.description = QStringLiteral("every value = set");
    int colour = 1000;
    for (qint32* c : {&r.backcolor, &r.youcolor, &r.othercolor, &r.servercolor, &r.linkcolor,
                      &r.selectbackcolor, &r.selectfontcolor, &r.textentrytextcolor,
                      &r.textentrybackcolor, &r.nicklistbackcolor, &r.nicklistselectbackcolor,
                      &r.nicklistselecttextcolor, &r.nicklistopbackcolor, &r.nicklistoptextcolor,
                      &r.nicklistvoicebackcolor, &r.nicklistvoicetextcolor,
                      &r.nicklistslimebackcolor, &r.nicklistslimetextcolor, &r.nicklistmetextcolor})
        *c = colour += 7919;
    r.servercolor = -2147483643; // a system colour
    r.youfont = QStringLiteral("DejaVu Sans");
    r.otherfont = QStringLiteral("DejaVu Serif");
    r.serverfont = QStringLiteral("DejaVu Sans Mono");
    r.yousize = 11;
    r.othersize = 12;
    r.serversize = 9;
    for (bool* b :
         {&r.youbold, &r.youitalic, &r.otherbold, &r.otheritalic, &r.serverbold, &r.serveritalic,
          &r.ignoremircbold, &r.ignoremircunderline, &r.ignoremircreverse, &r.ignoremirctextcolor,
          &r.ignoremircbackcolor, &r.tilestretch})
        *b = true;
    r.textscalex1 = 10;
    r.textscaley1 = 20;
    r.textscalex2 = 980;
    r.textscaley2 = 970;
    r.tilename = QStringLiteral("kept.bmp");
    r.textentryfont = QStringLiteral("DejaVu Sans Mono");
    r.textentryfontsize = 13;
    r.nicklistfont = QStringLiteral("DejaVu Serif");
    r.nicklistfontsize = 7;
    return r;
}
} // namespace

class ThemeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void builtInThemeReadsNoFile()
    {
        ProgramFolder home;
        home.write(QStringLiteral("NewTheme1.qth"), "[TEXT]\r\nbackcolor=255\r\nyousize=30\r\n");

        LoadedTheme theme;
        theme.record.errors = QStringLiteral("old\x01");
        ThemeFile::load(home.path(), QStringLiteral("NewTheme1"), theme);
        QCOMPARE(theme.record, ThemeRecord::newTheme1());
        QCOMPARE(theme.record.backcolor, 0);
        QCOMPARE(theme.record.youcolor, 0xFFFFFF);
        QCOMPARE(theme.record.selectbackcolor, 0x800000);
        QVERIFY(theme.record.errorLines().isEmpty());
        // From a folder that does not exist at all, too.
        QCOMPARE(ThemeFile::load(QStringLiteral("/nonexistent/quorl/"), QStringLiteral("newtheme1"))
                     .record,
                 ThemeRecord::newTheme1());
    }

    void missingKeysGiveDefaults_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("only THEMEDATA") << QByteArray("[THEMEDATA]\r\nAuthor=Ann\r\n");
        QTest::newRow("no file") << QByteArray("<none>");
    }

    void missingKeysGiveDefaults()
    {
        QFETCH(QByteArray, file);
        ProgramFolder home;
        if (file != "<none>")
            home.write(QStringLiteral("sparse.qth"), file);
        LoadedTheme theme;
        theme.record = unusualRecord();
        ThemeFile::load(home.path(), QStringLiteral("sparse"), theme);

        ThemeRecord expected = ThemeRecord::fileDefaults();
        expected.name = QStringLiteral("sparse");
        if (file != "<none>")
            expected.author = QStringLiteral("Ann");
        QCOMPARE(theme.record, expected);
        QVERIFY(theme.background.isNull());
    }

    void flagValues_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("bold");
        QTest::newRow("yes") << QByteArray("youbold=yes") << true;
        QTest::newRow("true") << QByteArray("youbold=true") << true;
        QTest::newRow("false") << QByteArray("youbold=false") << false;
        QTest::newRow("missing") << QByteArray("otherbold=true") << false;
    }

    void flagValues()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, bold);
        ProgramFolder home;
        home.write(QStringLiteral("t.qth"), "[TEXT]\r\n" + line + "\r\n");
        QCOMPARE(ThemeFile::load(home.path(), QStringLiteral("t")).record.youbold, bold);
    }

    void fontCheck_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QStringList>("errors");
        const QString forty = QStringLiteral("Forty Character Font Name Which Is Long");
        QCOMPARE(forty.size(), 39);
        const QString requested = forty + u'X';
        QTest::newRow("40 characters")
            << QByteArray("youfont=" + requested.toUtf8())
            << QStringList{QStringLiteral("THEME ERROR - Can't use ") + requested +
                           QStringLiteral(" for YOUFONT.  Using ") + requested.left(31) +
                           QStringLiteral(" instead.")};
        QTest::newRow("server font named")
            << QByteArray("serverfont=" + requested.toUtf8())
            << QStringList{QStringLiteral("THEME ERROR - Can't use ") + requested +
                           QStringLiteral(" for SERVERFONT.  Using ") + requested.left(31) +
                           QStringLiteral(" instead.")};
        QTest::newRow("other capitals are the same font")
            << QByteArray("youfont=ms sans serif\r\notherfont=DEJAVU SANS") << QStringList{};
        QTest::newRow("31 characters fit")
            << QByteArray("otherfont=" + requested.left(31).toUtf8()) << QStringList{};
    }

    void fontCheck()
    {
        QFETCH(QByteArray, lines);
        QFETCH(QStringList, errors);
        ProgramFolder home;
        home.write(QStringLiteral("f.qth"), "[TEXT]\r\n" + lines + "\r\n");
        const ThemeRecord r = ThemeFile::load(home.path(), QStringLiteral("f")).record;
        QCOMPARE(r.errorLines(), errors);
        QVERIFY(r.errors.isEmpty() || r.errors.endsWith(QChar(1)));
        // The name asked for is what the record keeps and a save writes back.
        if (lines.startsWith("youfont="))
            QCOMPARE(r.youfont.toUtf8(), lines.mid(8).split('\r').first());
    }

    void backgroundPicture_data()
    {
        QTest::addColumn<QByteArray>("images");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("tilename");
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("missing picture")
            << QByteArray("tileon=true\r\ntilename=nothere.bmp") << false << QString()
            << QStringList{QStringLiteral("THEME ERROR - Can't find nothere.bmp for Background.")};
        QTest::newRow("missing picture while off")
            << QByteArray("tileon=false\r\ntilename=nothere.bmp") << false << "nothere.bmp"
            << QStringList{};
        QTest::newRow("found in other capitals") << QByteArray("tileon=true\r\ntilename=stone.bmp")
                                                 << true << "stone.bmp" << QStringList{};
        QTest::newRow("not a picture")
            << QByteArray("tileon=true\r\ntilename=notes.bmp") << false << QString()
            << QStringList{QStringLiteral("THEME ERROR - Can't find notes.bmp for Background.")};
        QTest::newRow("sub-folder with backslash")
            << QByteArray("tileon=true\r\ntilename=pics\\Stone.BMP") << true << "pics\\Stone.BMP"
            << QStringList{};
    }

    void backgroundPicture()
    {
        QFETCH(QByteArray, images);
        QFETCH(bool, shown);
        QFETCH(QString, tilename);
        QFETCH(QStringList, errors);
        ProgramFolder home;
        QImage stone(6, 4, QImage::Format_RGB32);
        stone.fill(Qt::darkGray);
        QVERIFY(stone.save(home.themeFile(QStringLiteral("Stone.BMP")), "BMP"));
        QVERIFY(QDir(home.themeFile(QString())).mkpath(QStringLiteral("pics")));
        QVERIFY(stone.save(home.themeFile(QStringLiteral("pics/Stone.BMP")), "BMP"));
        home.write(QStringLiteral("notes.bmp"), "not a bitmap");
        home.write(QStringLiteral("p.qth"), "[IMAGES]\r\n" + images + "\r\n");

        const LoadedTheme theme = ThemeFile::load(home.path(), QStringLiteral("p"));
        QCOMPARE(theme.record.tileon, shown);
        QCOMPARE(theme.record.tilename, tilename);
        QCOMPARE(theme.record.errorLines(), errors);
        QCOMPARE(theme.background.size(), shown ? QSize(6, 4) : QSize(0, 0));
    }

    void badNumberKeepsDefaultAndGoesOn()
    {
        ProgramFolder home;
        home.write(QStringLiteral("n.qth"), "[TEXT]\r\nbackcolor=white\r\nyousize=10pt\r\n"
                                            "othercolor=255\r\ntextscalex2=\r\n"
                                            "nicklistfontsize=9\r\n");
        const ThemeRecord r = ThemeFile::load(home.path(), QStringLiteral("n")).record;
        QCOMPARE(r.backcolor, 0);
        QCOMPARE(r.yousize, 8);
        QCOMPARE(r.textscalex2, 995);
        QCOMPARE(r.othercolor, 255);
        QCOMPARE(r.nicklistfontsize, 9);
        QCOMPARE(r.errorLines(),
                 (QStringList{QStringLiteral("THEME ERROR - backcolor is not a number."),
                              QStringLiteral("THEME ERROR - yousize is not a number."),
                              QStringLiteral("THEME ERROR - textscalex2 is not a number.")}));
    }

    void fileFoundWhateverItsCapitals()
    {
        ProgramFolder home;
        home.write(QStringLiteral("Night Sky.QTH"), "[TEXT]\r\nbackcolor=123\r\n");
        const ThemeRecord r = ThemeFile::load(home.path(), QStringLiteral("night sky")).record;
        QCOMPARE(r.backcolor, 123);
        QCOMPARE(r.name, QStringLiteral("night sky"));

        // Saving under the lower-case name rewrites that file instead of adding another.
        ThemeRecord edited = r;
        edited.backcolor = 456;
        QVERIFY(ThemeFile::save(home.path(), edited));
        QCOMPARE(QDir(home.path() + QStringLiteral("themes")).entryList(QDir::Files),
                 QStringList{QStringLiteral("Night Sky.QTH")});
        QCOMPARE(ThemeFile::load(home.path(), QStringLiteral("NIGHT SKY")).record.backcolor, 456);
    }

    void viewWithoutNickListKeepsItsOwn()
    {
        ProgramFolder home;
        home.write(QStringLiteral("v.qth"), "[TEXT]\r\nnicklistbackcolor=9\r\n"
                                            "textentrybackcolor=9\r\nbackcolor=9\r\n");
        LoadedTheme theme;
        theme.record.nicklistbackcolor = 7;
        theme.record.textentrybackcolor = 7;
        ThemeFile::load(home.path(), QStringLiteral("v"), theme, ThemePart::TextEntry);
        QCOMPARE(theme.record.backcolor, 9);
        QCOMPARE(theme.record.textentrybackcolor, 9);
        QCOMPARE(theme.record.nicklistbackcolor, 7);
    }

    void choose_data()
    {
        QTest::addColumn<QStringList>("uses");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("theme");
        const int ch = int(ThemeKind::Channel);
        const int pc = int(ThemeKind::Private);
        const int dc = int(ThemeKind::Dcc);
        const QStringList two{"plain,CH!unused!,PC!unused!", "dark,CH#Quorl,PCbob"};
        QTest::newRow("own entry in other capitals") << two << ch << "#QUORL"
                                                     << "dark";
        QTest::newRow("other channel takes default") << two << ch << "#other"
                                                     << "plain";
        QTest::newRow("private own entry") << two << pc << "Bob"
                                           << "dark";
        QTest::newRow("channel named like a nick") << two << ch << "bob"
                                                   << "plain";
        QTest::newRow("dcc without default takes first") << two << dc << "bob"
                                                         << "plain";
        QTest::newRow("no default token takes first")
            << QStringList{"first,CH#a", "second,CH#b"} << ch << "#c"
            << "first";
        QTest::newRow("prefix of a longer channel")
            << QStringList{"long,CH#abc", "short,CH!unused!"} << ch << "#ab"
            << "long";
        QTest::newRow("last default wins")
            << QStringList{"one,CH!unused!", "two,CH#x", "three,CH!unused!"} << ch << "#y"
            << "three";
        QTest::newRow("default list of options")
            << QStringList{"quorl,CH!unused!,PC!unused!,DC!unused!"} << dc << "anyone"
            << "quorl";
        QTest::newRow("empty list gives built-in") << QStringList{} << ch << "#a"
                                                   << "NewTheme1";
    }

    void choose()
    {
        QFETCH(QStringList, uses);
        QFETCH(int, kind);
        QFETCH(QString, target);
        QFETCH(QString, theme);
        QCOMPARE(ThemeFile::choose(uses, ThemeKind(kind), target), theme);
    }

    void saveThenLoadIsEqual()
    {
        ProgramFolder home;
        // A key the client does not know survives a save.
        home.write(QStringLiteral("Unusual.qth"), "[EXTRA]\r\nmine=1\r\n");
        const ThemeRecord saved = unusualRecord();
        QVERIFY(ThemeFile::save(home.path(), saved));

        const LoadedTheme loaded = ThemeFile::load(home.path(), saved.name);
        QCOMPARE(loaded.record, saved);

        const QByteArray bytes = readFile(home.themeFile(QStringLiteral("Unusual.qth")));
        QVERIFY(bytes.startsWith("[EXTRA]\r\nmine=1\r\n[THEMEDATA]\r\nAuthor=Zo\xC3\xAB\r\n"
                                 "Description=every value = set\r\n[TEXT]\r\ntextscalex1=10\r\n"));
        QVERIFY(bytes.contains("\r\nservercolor=-2147483643\r\n"));
        QVERIFY(bytes.contains("\r\nnicklistfontsize=7\r\n[IMAGES]\r\ntileon=false\r\n"
                               "tilename=kept.bmp\r\ntilestretch=true\r\n"));
        QVERIFY(!bytes.contains("\n\n"));
        QCOMPARE(bytes.count("\r\n"), bytes.count('\n'));

        ThemeRecord misnamed = saved;
        misnamed.name.clear();
        QVERIFY(!ThemeFile::save(home.path(), misnamed));
        misnamed.name = QStringLiteral("../escaped");
        QVERIFY(!ThemeFile::save(home.path(), misnamed));
        QVERIFY(!QFile::exists(home.path() + QStringLiteral("escaped.qth")));
    }

    void shippedThemeIsSoundAndReadable()
    {
        const QString data = QStringLiteral(QUORL_SOURCE_DATA_DIR) + u'/';
        const QStringList uses{QStringLiteral("quorl,CH!unused!,PC!unused!,DC!unused!")};
        const QString name = ThemeFile::choose(uses, ThemeKind::Channel, QStringLiteral("#x"));
        QVERIFY(QFile::exists(data + QStringLiteral("themes/") + name + QStringLiteral(".qth")));

        const ThemeRecord r = ThemeFile::load(data, name).record;
        QVERIFY2(r.errors.isEmpty(), qPrintable(r.errorLines().join(u'\n')));
        QCOMPARE(r.youfont, QStringLiteral("DejaVu Sans"));
        QCOMPARE(r.yousize, 10);

        const auto contrast = [](qint32 a, qint32 b) {
            const QColor x = colorFromWin(a), y = colorFromWin(b);
            return qAbs(x.lightness() - y.lightness());
        };
        for (qint32 text : {r.youcolor, r.othercolor, r.servercolor, r.linkcolor})
            QVERIFY(contrast(text, r.backcolor) > 100);
        QVERIFY(contrast(r.selectfontcolor, r.selectbackcolor) > 100);
        QVERIFY(contrast(r.textentrytextcolor, r.textentrybackcolor) > 100);
        for (qint32 text : {r.nicklistoptextcolor, r.nicklistvoicetextcolor,
                            r.nicklistslimetextcolor, r.nicklistmetextcolor})
            QVERIFY(contrast(text, r.nicklistbackcolor) > 100);
        QVERIFY(r.youcolor != r.othercolor && r.othercolor != r.servercolor &&
                r.linkcolor != r.othercolor);

        // The file is written exactly as the client itself would write it.
        ProgramFolder home;
        QVERIFY(ThemeFile::save(home.path(), r));
        QCOMPARE(readFile(home.themeFile(name + QStringLiteral(".qth"))),
                 readFile(data + QStringLiteral("themes/") + name + QStringLiteral(".qth")));
    }
};

QUORL_TEST(ThemeTest)
#include "themetest.moc"
