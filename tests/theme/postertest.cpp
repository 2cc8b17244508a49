// Posters: the bottom row's colours and stretch flag, the row itself never drawn, the
// shipped posters, and a missing poster or "Don't use a Poster" giving the system colours;
// the poster a start loads.
#include "theme/poster.h"
#include "client/client.h"
#include "core/paths.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
QImage posterImage(QRgb flag)
{
    QImage image(10, 4, QImage::Format_RGB32);
    image.fill(qRgb(10, 20, 30));
    const int bottom = image.height() - 1;
    const QRgb colours[7] = {qRgb(255, 0, 255), qRgb(1, 2, 3), qRgb(4, 5, 6),   qRgb(7, 8, 9),
                             qRgb(11, 12, 13),  flag,          qRgb(14, 15, 16)};
    for (int x = 0; x < 7; ++x)
        image.setPixel(x, bottom, colours[x]);
    return image;
}
} // namespace

class PosterTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void bottomRowColours_data()
    {
        QTest::addColumn<QRgb>("flag");
        QTest::addColumn<bool>("stretched");
        QTest::newRow("white pixel 5: tiled") << qRgb(255, 255, 255) << false;
        QTest::newRow("almost white: stretched") << qRgb(255, 255, 254) << true;
        QTest::newRow("black: stretched") << qRgb(0, 0, 0) << true;
    }
    void bottomRowColours()
    {
        QFETCH(QRgb, flag);
        QFETCH(bool, stretched);
        Poster poster;
        QVERIFY(poster.setImage(posterImage(flag)));
        QCOMPARE(poster.stretched(), stretched);
        QCOMPARE(poster.entryBackground(), QColor(1, 2, 3));
        QCOMPARE(poster.selectedBackground(), QColor(4, 5, 6));
        QCOMPARE(poster.thirdColour(), QColor(7, 8, 9));
        QCOMPARE(poster.fourthColour(), QColor(11, 12, 13));
        QCOMPARE(poster.entryText(), QColor(14, 15, 16));
        QCOMPARE(poster.transparent(), QColor(255, 0, 255));
        // The bottom row is not part of the picture.
        QCOMPARE(poster.picture().height(), 3);
        QCOMPARE(poster.picture().pixel(1, 2), qRgb(10, 20, 30));
    }

    void missingOrNoPoster_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("status");
        QTest::newRow("deleted file")
            << "Gone.bmp" << QStringList{"Can't find the proper tile Gone.bmp"};
        QTest::newRow("not a picture")
            << "Broken.bmp" << QStringList{"Can't find the proper tile Broken.bmp"};
        QTest::newRow("don't use a poster") << Poster::noPosterName() << QStringList{};
    }
    void missingOrNoPoster()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, status);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(Poster::folderName()));
        QFile broken(dir.filePath(Poster::folderName() + QStringLiteral("/Broken.bmp")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a bitmap");
        broken.close();
        QVERIFY(posterImage(qRgb(0, 0, 0))
                    .save(dir.filePath(Poster::folderName() + QStringLiteral("/Good.bmp"))));
        Poster poster;
        QStringList lines;
        const auto statusLine = [&lines](const QString& text) { lines << text; };
        const QString folder = dir.path() + u'/';
        QVERIFY(poster.load(folder, QStringLiteral("Good.bmp"), statusLine));
        QVERIFY(poster.entryText().has_value());
        QVERIFY(!poster.load(folder, name, statusLine));
        QCOMPARE(lines, status);
        QVERIFY(!poster.loaded());
        // System colours: none of the poster's, white for the two that have no system colour.
        QVERIFY(!poster.entryBackground() && !poster.selectedBackground() && !poster.entryText() &&
                !poster.transparent());
        QCOMPARE(poster.thirdColour(), QColor(Qt::white));
    }

    void shippedPosters_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("stretched");
        QTest::newRow("Slate") << "Slate.bmp" << true;
        QTest::newRow("Paper") << "Paper.bmp" << false;
    }
    void shippedPosters()
    {
        QFETCH(QString, name);
        QFETCH(bool, stretched);
        const QString data = qEnvironmentVariable("QUORL_TEST_DATA") + QStringLiteral("/../data/");
        Poster poster;
        QStringList lines;
        QVERIFY(poster.load(data, name, [&lines](const QString& text) { lines << text; }));
        QVERIFY(lines.isEmpty());
        QCOMPARE(poster.stretched(), stretched);
        QVERIFY(poster.entryText() != poster.entryBackground());
    }

    // The poster at start: the one the settings name, none when they name none, without a
    // status line. A new program folder's settings name Slate.bmp.
    void posterAtStart_data()
    {
        QTest::addColumn<bool>("shippedSettings");
        QTest::addColumn<QString>("poster");
        QTest::newRow("settings without a poster") << false << QString();
        QTest::newRow("new program folder") << true << QStringLiteral("Slate.bmp");
    }
    void posterAtStart()
    {
        QFETCH(bool, shippedSettings);
        QFETCH(QString, poster);
        QTemporaryDir home;
        const QString folder = home.path() + u'/';
        QVERIFY(
            Paths::prepareProgramFolder(folder, QStringLiteral(QUORL_SOURCE_DATA_DIR)).isEmpty());
        QVERIFY(QFile::exists(folder + QStringLiteral("posters/Slate.bmp")));
        if (!shippedSettings) {
            QFile ini(folder + QStringLiteral("quorl.ini"));
            QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
            ini.write("[MISC]\nmodname=Quorl.mnu\n");
        }
        ScriptedPrompts prompts;
        Client client(folder, prompts);
        QVERIFY(client.readPosterSettings());
        client.loadPoster();
        QCOMPARE(client.poster().loaded(), !poster.isEmpty());
        if (!poster.isEmpty())
            QCOMPARE(client.poster().name(), poster);
        QCOMPARE(client.statusLog().lines().filter(QStringLiteral("Can't find")), QStringList());
    }
};

QUORL_TEST(PosterTest)
#include "postertest.moc"
