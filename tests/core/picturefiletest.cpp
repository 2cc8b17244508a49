// Pictures are read as the kind their names give, and still read when a name says
// nothing or the wrong thing.
#include "core/picturefile.h"
#include "support/testmain.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class PictureFileTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void picturesAreReadWhateverTheirNames()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QImage picture(7, 3, QImage::Format_RGB32);
        picture.fill(QColor(10, 200, 30));
        picture.setPixelColor(6, 2, QColor(250, 0, 5));
        const auto save = [&](const QString& name, const char* kind) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            QVERIFY(buffer.open(QIODevice::WriteOnly));
            QVERIFY(picture.save(&buffer, kind));
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        };
        save(QStringLiteral("right.bmp"), "BMP");
        save(QStringLiteral("upper.PNG"), "PNG");
        save(QStringLiteral("wrong.bmp"), "PNG"); // a PNG under a bitmap's name
        save(QStringLiteral("noname"), "BMP");
        for (const char* name : {"right.bmp", "upper.PNG", "wrong.bmp", "noname"}) {
            const QImage read = PictureFile::read(dir.filePath(QLatin1String(name)));
            QVERIFY2(!read.isNull(), name);
            QCOMPARE(read.convertToFormat(QImage::Format_RGB32), picture);
        }
        QVERIFY(PictureFile::read(dir.filePath(QStringLiteral("missing.bmp"))).isNull());
        QFile broken(dir.filePath(QStringLiteral("broken.png")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("\x89PNG\r\n\x1a\n and then nothing");
        broken.close();
        QVERIFY(PictureFile::read(broken.fileName()).isNull());
    }
};

QUORL_TEST(PictureFileTest)
#include "picturefiletest.moc"
