#pragma once

#include <QHash>
#include <QPixmap>
#include <QWidget>

#include <optional>

class Poster;
class QToolButton;
class WindowRegistry;
struct ChatWindow;

// The window picker: one 22-pixel row per entry of the window list, painted off-screen
// and copied in one block. What a click or a hover means is decided by PickerLayout.
// A change only marks the rows for repainting; they are painted once, at the next paint
// event, however many changes came before it.
class PickerPanel : public QWidget
{
    Q_OBJECT
public:
    explicit PickerPanel(WindowRegistry& registry, QWidget* parent = nullptr);

    // The width that shows every label whole.
    int fittingWidth() const;
    // The poster behind the entries, with its colours; null or not loaded: system colours.
    // The poster must outlive the picker or be replaced first.
    void setPoster(const Poster* poster);
    WindowRegistry& registry() const { return registry_; }

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    // Up and Down (Home, End) select the row above or below, as a click would, and keep
    // the keyboard here.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void repaintRows();
    void paintRows(QPainter& painter);
    void paintRow(QPainter& painter, const ChatWindow& item, int top);
    void placeScrollers();
    QFont labelFont(const ChatWindow& item) const;
    const QPixmap& kindIcon(int kindNumber);
    void paintBackground(QPainter& painter);
    QColor posterColour(std::optional<QColor> (Poster::*colour)() const,
                        QPalette::ColorRole systemRole) const;

    WindowRegistry& registry_;
    // Each kind's icon, made from the style once; a style change empties it.
    QHash<int, QPixmap> icons_;
    QToolButton* scrollerUp_ = nullptr;
    QToolButton* scrollerDown_ = nullptr;
    const Poster* poster_ = nullptr;
};
