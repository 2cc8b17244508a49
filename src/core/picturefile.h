#pragma once

#include <QImage>
#include <QString>

namespace PictureFile {
// The picture in the file at path, or a null image. A file read as the kind its name
// gives (.bmp, .png) needs none of Qt's image plugins: only a file whose name does not
// say what it holds, or says it wrongly, has Qt load every plugin to find out.
QImage read(const QString& path);
} // namespace PictureFile
