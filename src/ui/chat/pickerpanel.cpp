#include "ui/chat/pickerpanel.h"

#include "chat/windowregistry.h"
#include "core/wincolor.h"
#include "theme/poster.h"
#include "ui/chat/accessibleinterfaces.h"
#include "ui/standardicons.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

namespace {
constexpr int RowHeight = PickerLayout::RowHeight;
constexpr int IconSize = 16;
constexpr int ScrollerWidth = 8;

struct KindIcon
{
    int kindNumber;
    QStyle::StandardPixmap icon;
};
// The icon of each kind number.
constexpr KindIcon kindIcons[] = {
    {PickerKind::Settings, QStyle::SP_ComputerIcon},
    {PickerKind::PublicChat, QStyle::SP_DriveNetIcon},
    {PickerKind::PrivateChat, QStyle::SP_DirHomeIcon},
    {PickerKind::DccChat, QStyle::SP_DriveHDIcon},
    {PickerKind::Files, QStyle::SP_DirIcon},
    {PickerKind::ChannelWindow, QStyle::SP_FileDialogListView},
    {PickerKind::PrivateWindow, QStyle::SP_FileIcon},
    {PickerKind::DccChatWindow, QStyle::SP_FileLinkIcon},
    {PickerKind::NetworkNode, QStyle::SP_DriveNetIcon},
};

QStyle::StandardPixmap iconFor(int kindNumber)
{
    for (const KindIcon& k : kindIcons) {
        if (k.kindNumber == kindNumber)
            return k.icon;
    }
    return QStyle::SP_FileIcon;
}

// With several networks, a network's node sits one step in and its windows one more.
int iconX(const ChatWindow& item, bool grouped)
{
    if (item.kindNumber == PickerKind::NetworkNode)
        return 9;
    return item.isChat() ? (grouped ? 17 : 13) : 5;
}
int labelX(const ChatWindow& item, bool grouped)
{
    if (item.kindNumber == PickerKind::NetworkNode)
        return 29;
    return item.isChat() ? (grouped ? 33 : 29) : 25;
}
} // namespace

PickerPanel::PickerPanel(WindowRegistry& registry, QWidget* parent)
    : QWidget(parent), registry_(registry)
{
    // Before anything below asks for this widget's accessible interface.
    installAccessibleInterfaces();
    setObjectName(QStringLiteral("picker"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumWidth(40);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Windows"));

    scrollerUp_ = new QToolButton(this);
    scrollerUp_->setObjectName(QStringLiteral("scrollerup"));
    scrollerUp_->setAccessibleName(QStringLiteral("Scroll windows up"));
    scrollerUp_->setArrowType(Qt::UpArrow);
    scrollerDown_ = new QToolButton(this);
    scrollerDown_->setObjectName(QStringLiteral("scrollerdown"));
    scrollerDown_->setAccessibleName(QStringLiteral("Scroll windows down"));
    scrollerDown_->setArrowType(Qt::DownArrow);
    PickerLayout& layout = registry_.picker();
    connect(scrollerUp_, &QToolButton::clicked, this, [&layout] { layout.scrollUp(); });
    connect(scrollerDown_, &QToolButton::clicked, this, [&layout] { layout.scrollDown(); });

    connect(&layout, &PickerLayout::repaintNeeded, this, &PickerPanel::repaintRows);
    connect(&registry_, &WindowRegistry::pickerChanged, this, &PickerPanel::repaintRows);
}

QFont PickerPanel::labelFont(const ChatWindow& item) const
{
    QFont f = font();
    f.setBold(item.unseenActivity || item.highlighted);
    // A window kept from a lost connection reads as out of use until it is back.
    f.setItalic(item.disconnected);
    return f;
}

// Marks the rows for repainting; update() folds a burst of changes into one paint.
void PickerPanel::repaintRows()
{
    placeScrollers();
    update();
}

// Straight into the window's own back buffer: a second image of the panel would cost its
// memory and the time to fill it at every start.
void PickerPanel::paintRows(QPainter& painter)
{
    paintBackground(painter);
    const PickerLayout& layout = registry_.picker();
    for (int row = layout.scrollOffset(); row < registry_.count(); ++row) {
        const int top = layout.rowTop(row);
        if (top >= height())
            break;
        paintRow(painter, *registry_.at(row), top);
    }
}

const QPixmap& PickerPanel::kindIcon(int kindNumber)
{
    auto it = icons_.find(kindNumber);
    if (it == icons_.end() || it->devicePixelRatio() != devicePixelRatioF()) {
        const QIcon icon = StandardIcons::icon(style(), iconFor(kindNumber));
        it = icons_.insert(kindNumber, icon.pixmap(QSize(IconSize, IconSize), devicePixelRatioF()));
    }
    return *it;
}

void PickerPanel::paintRow(QPainter& painter, const ChatWindow& item, int top)
{
    const QRect row(0, top, width() - ScrollerWidth, RowHeight);
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    if (item.isTiled()) {
        painter.fillRect(row, posterColour(&Poster::entryBackground, QPalette::Dark));
    } else if (item.pickerState == PickerState::Selected) {
        painter.fillRect(row, posterColour(&Poster::selectedBackground, QPalette::Highlight));
        // Sunken: dark along the top and left, light along the bottom and right.
        painter.setPen(dark);
        painter.drawLine(row.topLeft(), row.topRight());
        painter.drawLine(row.topLeft(), row.bottomLeft());
        painter.setPen(light);
        painter.drawLine(row.bottomLeft(), row.bottomRight());
        painter.drawLine(row.topRight(), row.bottomRight());
    } else if (item.pickerState == PickerState::Hot) {
        painter.setPen(light);
        painter.drawLine(row.topLeft(), row.topRight());
        painter.drawLine(row.topLeft(), row.bottomLeft());
        painter.setPen(dark);
        painter.drawLine(row.bottomLeft(), row.bottomRight());
        painter.drawLine(row.topRight(), row.bottomRight());
    }
    const bool grouped = registry_.grouped();
    painter.drawPixmap(
        QRect(iconX(item, grouped), top + (RowHeight - IconSize) / 2, IconSize, IconSize),
        kindIcon(item.kindNumber));
    if (item.highlighted) {
        // Stronger than the bold of unseen lines: a dot in the highlight colour by the
        // label, outlined so that it shows on any poster.
        const int d = RowHeight / 2;
        const QRect dot(row.right() - d - 4, top + (RowHeight - d) / 2, d, d);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::Shadow), 1));
        painter.setBrush(colorFromWin(item.theme.highlightcolor));
        painter.drawEllipse(dot);
        painter.restore();
    }
    painter.setPen(item.disconnected ? palette().color(QPalette::Disabled, QPalette::ButtonText)
                                     : posterColour(&Poster::entryText, QPalette::ButtonText));
    painter.setFont(labelFont(item));
    painter.drawText(
        QRect(labelX(item, grouped), top, row.width() - labelX(item, grouped), RowHeight),
        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, item.label);
}

void PickerPanel::setPoster(const Poster* poster)
{
    poster_ = poster;
    repaintRows();
}

void PickerPanel::paintBackground(QPainter& painter)
{
    if (!poster_ || !poster_->loaded()) {
        painter.fillRect(rect(), palette().color(QPalette::Button));
        return;
    }
    const QImage& picture = poster_->picture();
    if (poster_->stretched())
        painter.drawImage(rect(), picture);
    else
        painter.drawTiledPixmap(rect(), QPixmap::fromImage(picture));
}

QColor PickerPanel::posterColour(std::optional<QColor> (Poster::*colour)() const,
                                 QPalette::ColorRole systemRole) const
{
    if (poster_) {
        if (const std::optional<QColor> c = (poster_->*colour)())
            return *c;
    }
    return palette().color(systemRole);
}

void PickerPanel::placeScrollers()
{
    const bool visible = registry_.picker().scrollersVisible();
    scrollerUp_->setGeometry(width() - ScrollerWidth, 0, ScrollerWidth, RowHeight);
    scrollerDown_->setGeometry(width() - ScrollerWidth, height() - RowHeight, ScrollerWidth,
                               RowHeight);
    scrollerUp_->setVisible(visible);
    scrollerDown_->setVisible(visible);
}

int PickerPanel::fittingWidth() const
{
    int widest = 0;
    for (qsizetype i = 0; i < registry_.count(); ++i) {
        const ChatWindow& item = *registry_.at(i);
        const int text = QFontMetrics(labelFont(item)).horizontalAdvance(item.label);
        widest = std::max(widest, text + (item.isChat() ? 41 : 34));
    }
    return widest;
}

void PickerPanel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::StyleChange) {
        icons_.clear();
        repaintRows();
    }
    QWidget::changeEvent(event);
}

void PickerPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintRows(painter);
}

void PickerPanel::resizeEvent(QResizeEvent*)
{
    registry_.picker().setHeight(height());
    repaintRows();
}

void PickerPanel::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    registry_.picker().mouseMove(p.x(), p.y(), width());
}

void PickerPanel::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    // A press without a move before it (a touch, a test) still hovers first.
    registry_.picker().mouseMove(p.x(), p.y(), width());
    const auto button = event->button() == Qt::RightButton ? PickerLayout::Button::Right
                                                           : PickerLayout::Button::Left;
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton)
        return;
    registry_.picker().mouseDown(button, p.y(), event->modifiers().testFlag(Qt::ControlModifier));
}

void PickerPanel::leaveEvent(QEvent*)
{
    registry_.picker().mouseLeave();
}

void PickerPanel::keyPressEvent(QKeyEvent* event)
{
    const qsizetype rows = registry_.count();
    int selected = -1;
    for (qsizetype row = 0; row < rows; ++row)
        if (registry_.at(row)->pickerState == PickerState::Selected)
            selected = int(row);
    int target = -1;
    switch (event->key()) {
    case Qt::Key_Up:
        target = selected > 0 ? selected - 1 : 0;
        break;
    case Qt::Key_Down:
        target = selected < 0 ? 0 : int(std::min<qsizetype>(selected + 1, rows - 1));
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = int(rows - 1);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (target < 0 || target == selected)
        return;
    registry_.picker().selectRow(target);
    // A chat window's row hands the keyboard to its text entry; arrowing on keeps it here.
    setFocus(Qt::OtherFocusReason);
    QAccessibleEvent focus(this, QAccessible::Focus);
    focus.setChild(target);
    QAccessible::updateAccessibility(&focus);
}
