#include "ui/settings/colourpalette.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {
constexpr int PaletteWidth = 180;
constexpr int PaletteHeight = 72;
// The last rows are greys from white to black.
constexpr int GreyRows = 12;

QImage makePalette()
{
    QImage image(PaletteWidth, PaletteHeight, QImage::Format_RGB32);
    const int colourRows = PaletteHeight - GreyRows;
    for (int x = 0; x < PaletteWidth; ++x) {
        const int hue = x * 360 / PaletteWidth;
        for (int y = 0; y < colourRows; ++y) {
            // From pale at the top through the full colour to dark at the bottom.
            const int lightness = 230 - y * 210 / (colourRows - 1);
            image.setPixelColor(x, y, QColor::fromHsl(hue, 255, lightness));
        }
        const int grey = 255 - x * 255 / (PaletteWidth - 1);
        for (int y = colourRows; y < PaletteHeight; ++y)
            image.setPixelColor(x, y, QColor(grey, grey, grey));
    }
    return image;
}
} // namespace

ColourPalette::ColourPalette(QWidget* parent) : QWidget(parent), image_(makePalette())
{
    setFixedSize(image_.size());
    setCursor(Qt::CrossCursor);
}

QColor ColourPalette::colourAt(QPoint point) const
{
    const int x = std::clamp(point.x(), 0, image_.width() - 1);
    const int y = std::clamp(point.y(), 0, image_.height() - 1);
    return image_.pixelColor(x, y);
}

void ColourPalette::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
}

void ColourPalette::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Q_EMIT colourPicked(colourAt(event->position().toPoint()));
}

void ColourPalette::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        Q_EMIT colourPicked(colourAt(event->position().toPoint()));
}

ColourSwatch::ColourSwatch(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setFixedSize(40, 40);
    setAutoFillBackground(true);
}

void ColourSwatch::setColour(const QColor& colour)
{
    colour_ = colour;
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
}
