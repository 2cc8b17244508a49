#pragma once

#include <QFrame>
#include <QImage>

// A palette picture to take colours from (on the theme page and the Misc page): pressing the left
// button takes the colour under the pointer, and dragging with it held goes on taking them.
class ColourPalette : public QWidget
{
    Q_OBJECT
public:
    explicit ColourPalette(QWidget* parent = nullptr);

    // The colour of the palette at a point of the widget (clamped inside it).
    QColor colourAt(QPoint point) const;
    QSize sizeHint() const override { return image_.size(); }

Q_SIGNALS:
    void colourPicked(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QImage image_;
};

// A swatch showing one colour: the one chosen on the theme page or the Misc page.
class ColourSwatch : public QFrame
{
    Q_OBJECT
public:
    explicit ColourSwatch(QWidget* parent = nullptr);
    void setColour(const QColor& colour);
    QColor colour() const { return colour_; }

private:
    QColor colour_;
};
