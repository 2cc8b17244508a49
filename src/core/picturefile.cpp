#include "core/picturefile.h"

#include <QFileInfo>
#include <QImageReader>

namespace PictureFile {
QImage read(const QString& path)
{
    const QFileInfo file(path);
    if (!file.isFile())
        return {};
    const QByteArray kind = file.suffix().toLower().toLatin1();
    if (!kind.isEmpty()) {
        QImageReader named(path, kind);
        named.setAutoDetectImageFormat(false);
        QImage picture = named.read();
        if (!picture.isNull())
            return picture;
    }
    return QImage(path);
}
} // namespace PictureFile
