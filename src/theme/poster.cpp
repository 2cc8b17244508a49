#include "theme/poster.h"

#include "core/picturefile.h"

bool Poster::load(const QString& programFolder, const QString& name,
                  const std::function<void(const QString&)>& statusLine)
{
    const QString fileName = programFolder + folderName() + u'/' + name;
    // A name that is not a file reads as no picture.
    const QImage image = name.isEmpty() ? QImage() : PictureFile::read(fileName);
    if (!image.isNull() && setImage(image)) {
        name_ = name;
        return true;
    }
    clear();
    if (name != noPosterName() && statusLine)
        statusLine(QStringLiteral("Can't find the proper tile ") + name);
    return false;
}

bool Poster::setImage(const QImage& image)
{
    // Seven colours live in the bottom row, and one row at least is drawn above it.
    if (image.width() < 7 || image.height() < 2)
        return false;
    const int bottom = image.height() - 1;
    for (int x = 0; x < 7; ++x)
        bottom_[x] = image.pixelColor(x, bottom);
    stretched_ = (bottom_[5].rgb() & 0xffffff) != 0xffffff;
    picture_ = image.copy(0, 0, image.width(), bottom).convertToFormat(QImage::Format_RGB32);
    return true;
}

void Poster::clear()
{
    picture_ = QImage();
    for (QColor& c : bottom_)
        c = QColor();
    // The stretch flag keeps its value without a poster.
}

std::optional<QColor> Poster::colour(int x, std::optional<QColor> without) const
{
    if (!loaded())
        return without;
    return bottom_[x];
}
