// Standard icons that load on demand: what they give is what the style's own icons give,
// at every size, mode and state a widget asks for, and a style or an icon theme with icons
// of its own keeps them.
#include "ui/standardicons.h"
#include "support/testmain.h"

#include <QDir>
#include <QMetaEnum>
#include <QPainter>
#include <QProxyStyle>
#include <QScopeGuard>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {
// The icon as an item view or a button paints it into a square of side, at the given ratio.
QImage painted(const QIcon& icon, int side, qreal ratio, QIcon::Mode mode, QIcon::State state)
{
    QImage image(QSize(side + 6, side + 6) * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, QRect(3, 3, side, side), Qt::AlignCenter, mode, state);
    return image;
}

QPixmap filled(const QColor& colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return pixmap;
}

// A style that draws every standard icon itself.
class OwnIconsStyle : public QProxyStyle
{
public:
    OwnIconsStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}
    QIcon standardIcon(StandardPixmap, const QStyleOption*, const QWidget*) const override
    {
        return QIcon(filled(Qt::red));
    }
};
} // namespace

class StandardIconsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void looksAsTheStylesOwnIcon_data()
    {
        QTest::addColumn<QString>("styleName");
        QTest::newRow("Fusion") << QStringLiteral("Fusion");
        QTest::newRow("Windows") << QStringLiteral("Windows");
    }

    // Every icon that loads on demand, at exact sizes, between them (scaled down from the
    // next larger image), above the largest, at a ratio of 2, in each mode and state.
    void looksAsTheStylesOwnIcon()
    {
        QFETCH(QString, styleName);
        const std::unique_ptr<QStyle> style(QStyleFactory::create(styleName));
        QVERIFY(style);
        const QMetaEnum pixmaps = QMetaEnum::fromType<QStyle::StandardPixmap>();
        QList<QStyle::StandardPixmap> onDemand;
        for (int i = 0; i < pixmaps.keyCount(); ++i) {
            const auto which = QStyle::StandardPixmap(pixmaps.value(i));
            if (!StandardIcons::loadsOnDemand(style.get(), which))
                continue;
            onDemand << which;
            const QIcon icon = StandardIcons::icon(style.get(), which);
            const QIcon expected = style->standardIcon(which);
            for (QIcon::State state : {QIcon::Off, QIcon::On}) {
                for (QIcon::Mode mode :
                     {QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected}) {
                    const QString where = QString::fromLatin1(pixmaps.key(i)) +
                                          QStringLiteral(" mode %1 state %2").arg(mode).arg(state);
                    QCOMPARE(icon.availableSizes(mode, state),
                             expected.availableSizes(mode, state));
                    for (int side : {16, 20, 32, 40, 128, 200}) {
                        const QSize size(side, side);
                        const QString what = where + QStringLiteral(" size %1").arg(side);
                        QCOMPARE(icon.actualSize(size, mode, state),
                                 expected.actualSize(size, mode, state));
                        for (qreal ratio : {1.0, 2.0}) {
                            const QPixmap want = expected.pixmap(size, ratio, mode, state);
                            const QPixmap got = icon.pixmap(size, ratio, mode, state);
                            QVERIFY2(!want.isNull(), qPrintable(what));
                            QVERIFY2(got.toImage() == want.toImage(), qPrintable(what));
                            QCOMPARE(got.devicePixelRatio(), want.devicePixelRatio());
                            QVERIFY2(painted(icon, side, ratio, mode, state) ==
                                         painted(expected, side, ratio, mode, state),
                                     qPrintable(what));
                        }
                    }
                }
            }
        }
        // Among them an icon made from one image, one with open and closed images, and
        // one without a 128 px image.
        for (QStyle::StandardPixmap which :
             {QStyle::SP_ComputerIcon, QStyle::SP_DirIcon, QStyle::SP_MediaPlay})
            QVERIFY2(onDemand.contains(which), pixmaps.valueToKey(which));
    }

    void ownIconsOfAStyleOrAThemeWin()
    {
        OwnIconsStyle own;
        QVERIFY(!StandardIcons::loadsOnDemand(&own, QStyle::SP_DirIcon));
        QCOMPARE(StandardIcons::icon(&own, QStyle::SP_DirIcon).pixmap(16).toImage(),
                 filled(Qt::red).toImage());

        // An icon theme that has a folder, and nothing else.
        QTemporaryDir themes;
        QVERIFY(themes.isValid());
        QDir theme(themes.path());
        QVERIFY(theme.mkpath(QStringLiteral("quorltest/16x16/places")));
        QFile index(theme.filePath(QStringLiteral("quorltest/index.theme")));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=quorltest\nDirectories=16x16/places\n\n"
                    "[16x16/places]\nSize=16\nType=Fixed\n");
        index.close();
        QVERIFY(filled(Qt::green).save(
            theme.filePath(QStringLiteral("quorltest/16x16/places/folder.png"))));
        const QStringList searchPaths = QIcon::themeSearchPaths();
        const QString themeName = QIcon::themeName();
        const auto restore = qScopeGuard([&] {
            QIcon::setThemeName(themeName);
            QIcon::setThemeSearchPaths(searchPaths);
        });
        QIcon::setThemeSearchPaths({themes.path()});
        QIcon::setThemeName(QStringLiteral("quorltest"));

        const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
        for (QStyle::StandardPixmap which : {QStyle::SP_DirIcon, QStyle::SP_DirClosedIcon}) {
            QVERIFY(!StandardIcons::loadsOnDemand(fusion.get(), which));
            const QImage shown = StandardIcons::icon(fusion.get(), which).pixmap(16).toImage();
            QCOMPARE(shown, fusion->standardIcon(which).pixmap(16).toImage());
            QCOMPARE(shown.pixelColor(8, 8), QColor(Qt::green));
        }
        // What the theme lacks the style takes from its own files, and so does this.
        QVERIFY(StandardIcons::loadsOnDemand(fusion.get(), QStyle::SP_FileIcon));
        QCOMPARE(StandardIcons::icon(fusion.get(), QStyle::SP_FileIcon).pixmap(20).toImage(),
                 fusion->standardIcon(QStyle::SP_FileIcon).pixmap(20).toImage());

        // The same theme under the name X11 gives when no desktop chose one is not asked:
        // the style's own folder is shown.
        QVERIFY(QDir(themes.path()).rename(QStringLiteral("quorltest"), QStringLiteral("hicolor")));
        QIcon::setThemeName(QStringLiteral("hicolor"));
        QVERIFY(!QIcon::fromTheme(QStringLiteral("folder")).isNull());
        QVERIFY(StandardIcons::loadsOnDemand(fusion.get(), QStyle::SP_DirIcon));
        QVERIFY(StandardIcons::icon(fusion.get(), QStyle::SP_DirIcon)
                    .pixmap(16)
                    .toImage()
                    .pixelColor(8, 8) != QColor(Qt::green));
    }
};

QUORL_TEST(StandardIconsTest)
#include "standardiconstest.moc"
