#include "ui/standardicons.h"

#include "core/picturefile.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QIconEngine>
#include <QLibraryInfo>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QVersionNumber>

#include <array>
#include <cstring>
#include <iterator>

namespace {

// The image files the common style of Qt 6.4 builds a standard icon from, as its
// QCommonStyle::standardIcon adds them.
struct StandardImages
{
    QStyle::StandardPixmap icon;
    const char* stem;         // the file of one size is "<stem>-<size>.png"
    const char* onStem;       // the images of QIcon::On, where the icon has its own
    std::array<int, 3> sizes; // a 0 ends a shorter list
    // The names it first asks the desktop's icon theme for (standardIcon, and for the
    // icons made from standardPixmap() that too): an icon the theme has is used instead.
    std::array<const char*, 2> themeNames;
};

constexpr StandardImages standardImages[] = {
    // These Qt makes from standardPixmap(): the 16 px image alone, which a larger size
    // gets unscaled.
    {QStyle::SP_ComputerIcon, "computer", nullptr, {16}, {"computer", "system"}},
    {QStyle::SP_DriveNetIcon, "networkdrive", nullptr, {16}, {}},
    {QStyle::SP_DriveHDIcon, "harddrive", nullptr, {16}, {"drive-harddisk", "hdd_unmount"}},
    {QStyle::SP_DirClosedIcon, "dirclosed", nullptr, {16}, {"folder"}},
    {QStyle::SP_DirOpenIcon, "diropen", nullptr, {16}, {"folder-open"}},
    // These it builds with addFile() for each size.
    {QStyle::SP_DirIcon, "dirclosed", "diropen", {16, 32, 128}, {"folder"}},
    {QStyle::SP_DirHomeIcon, "dirclosed", "diropen", {16, 32, 128}, {"user-home"}},
    {QStyle::SP_FileIcon, "file", nullptr, {16, 32, 128}, {"text-x-generic"}},
    {QStyle::SP_FileLinkIcon, "filelink", nullptr, {16, 32, 128}, {"emblem-symbolic-link"}},
    {QStyle::SP_FileDialogNewFolder, "newdirectory", nullptr, {16, 32, 128}, {"folder-new"}},
    {QStyle::SP_FileDialogDetailedView,
     "viewdetailed",
     nullptr,
     {16, 32, 128},
     {"view-list-details"}},
    {QStyle::SP_FileDialogListView, "viewlist", nullptr, {16, 32, 128}, {"view-list-icons"}},
    {QStyle::SP_ArrowUp, "up", nullptr, {16, 32, 128}, {"go-up"}},
    {QStyle::SP_ArrowDown, "down", nullptr, {16, 32, 128}, {"go-down"}},
    {QStyle::SP_TrashIcon, "trash", nullptr, {16, 32, 128}, {"user-trash"}},
    {QStyle::SP_DialogResetButton, "standardbutton-clear", nullptr, {16, 32, 128}, {"edit-clear"}},
    {QStyle::SP_DialogOpenButton, "standardbutton-open", nullptr, {16, 32, 128}, {"folder-open"}},
    {QStyle::SP_MediaPlay, "media-play", nullptr, {16, 32}, {"media-playback-start"}},
    {QStyle::SP_MediaStop, "media-stop", nullptr, {16, 32}, {"media-playback-stop"}},
    // SP_DialogApplyButton stays with the style: its images are not square, and Qt's
    // engine learns their real sizes only as it decodes them, so what it draws depends on
    // what it drew before.
};
constexpr std::size_t standardImageCount = std::size(standardImages);

const StandardImages* imagesOf(QStyle::StandardPixmap which)
{
    for (const StandardImages& images : standardImages) {
        if (images.icon == which)
            return &images;
    }
    return nullptr;
}

QString imagePath(const char* stem, int size)
{
    return QStringLiteral(":/qt-project.org/styles/commonstyle/images/") + QLatin1String(stem) +
           u'-' + QString::number(size) + QStringLiteral(".png");
}

// The size of image Qt's pixmap engine picks for a request: the smallest one at least as
// large as asked for, else the largest; sizes are compared by area.
int fittingSize(const StandardImages& images, const QSize& wanted)
{
    const qint64 area = qint64(wanted.width()) * wanted.height();
    int best = 0;
    for (int size : images.sizes) {
        if (size == 0)
            break;
        const bool fits = qint64(size) * size >= area;
        const bool bestFits = qint64(best) * best >= area;
        if (best == 0 || (fits && (!bestFits || size < best)) ||
            (!fits && !bestFits && size > best))
            best = size;
    }
    return best;
}

// Every image decoded so far, one icon each, for the life of the application. Qt's
// pixmap engine, holding just that image, scales it and makes the disabled, active and
// selected looks exactly as it does for the style's icon.
const QIcon& decodedImage(const QString& path)
{
    static QHash<QString, QIcon> decoded;
    auto it = decoded.constFind(path);
    if (it == decoded.cend()) {
        if (decoded.isEmpty())
            qAddPostRoutine([] { decoded.clear(); }); // no pixmap outlives the application
        it = decoded.insert(path, QIcon(QPixmap::fromImage(PictureFile::read(path))));
    }
    return *it;
}

class OnDemandIconEngine final : public QIconEngine
{
public:
    explicit OnDemandIconEngine(const StandardImages& images) : images_(images) {}

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = fittingSize(images_, size);
        QSize actual(side, side);
        if (actual.width() > size.width() || actual.height() > size.height())
            actual.scale(size, Qt::KeepAspectRatio);
        return actual;
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        const char* stem = state == QIcon::On && images_.onStem ? images_.onStem : images_.stem;
        const QIcon& image = decodedImage(imagePath(stem, fittingSize(images_, size)));
        return image.pixmap(size, 1.0, mode, QIcon::Off);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const QPaintDevice* device = painter->device();
        const qreal ratio = device ? device->devicePixelRatio() : qApp->devicePixelRatio();
        painter->drawPixmap(rect, scaledPixmap(rect.size() * ratio, mode, state, ratio));
    }

    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        QList<QSize> sizes;
        if (mode != QIcon::Normal || (state == QIcon::On && !images_.onStem))
            return sizes;
        for (int size : images_.sizes) {
            if (size != 0)
                sizes.append(QSize(size, size));
        }
        return sizes;
    }

    QIconEngine* clone() const override { return new OnDemandIconEngine(images_); }

private:
    const StandardImages& images_;
};

bool imagesPresent(const StandardImages& images)
{
    // Per row of the table: unknown, present or missing.
    static std::array<signed char, standardImageCount> known{};
    signed char& present = known[std::size_t(&images - standardImages)];
    if (present == 0) {
        present = 1;
        for (int size : images.sizes) {
            for (const char* stem : {images.stem, images.onStem}) {
                if (size != 0 && stem && !QFile::exists(imagePath(stem, size)))
                    present = -1;
            }
        }
    }
    return present > 0;
}

// Fusion and Windows take these icons from QCommonStyle unchanged. A proxied or derived
// style may draw its own, and another release of Qt may build them otherwise than the
// table says.
bool drawsCommonImages(const QStyle& style)
{
    static const bool tableFits = [] {
        const QVersionNumber qt = QLibraryInfo::version();
        return qt.majorVersion() == 6 && qt.minorVersion() == 4;
    }();
    if (!tableFits || style.proxy() != &style)
        return false;
    const char* name = style.metaObject()->className();
    return std::strcmp(name, "QFusionStyle") == 0 || std::strcmp(name, "QWindowsStyle") == 0;
}

// Where the desktop names an icon theme, QCommonStyle asks it first, and a user's icon
// theme keeps winning here. Qt remembers only the icons it found, so an icon the theme
// lacks costs this look-up each time, as it does the style.
// "hicolor" is what X11 names when no desktop chose a theme: the common fallback that
// applications put their own icons into, not a set of standard icons. Looking through it
// costs about a quarter of the window's start under X11, so it is not asked.
bool themeHasOwn(const StandardImages& images)
{
    const QString theme = QIcon::themeName();
    if (!QGuiApplication::desktopSettingsAware() || theme.isEmpty() ||
        theme == QLatin1String("hicolor"))
        return false;
    for (const char* name : images.themeNames) {
        if (name && !QIcon::fromTheme(QLatin1String(name)).isNull())
            return true;
    }
    return false;
}

} // namespace

namespace StandardIcons {

bool loadsOnDemand(const QStyle* style, QStyle::StandardPixmap which)
{
    const StandardImages* images = imagesOf(which);
    return images && style && drawsCommonImages(*style) && imagesPresent(*images) &&
           !themeHasOwn(*images);
}

QIcon icon(const QStyle* style, QStyle::StandardPixmap which)
{
    if (!loadsOnDemand(style, which))
        return style->standardIcon(which);
    return QIcon(new OnDemandIconEngine(*imagesOf(which)));
}

} // namespace StandardIcons
