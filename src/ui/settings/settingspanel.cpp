#include "ui/settings/settingspanel.h"

#include <QKeyEvent>
#include <QPainter>
#include <QShortcut>
#include <QStyleOptionFocusRect>

#include <algorithm>

namespace {
// Room left and right of a page's name, and above and below it.
constexpr int SidePadding = 10;
constexpr int RowPadding = 4;
} // namespace

SettingsPanel::SettingsPanel(QWidget* parent) : QTabWidget(parent)
{
    setTabBar(new SettingsPageList(this));
    setTabPosition(QTabWidget::West);
    // The rows keep their height however tall the list is.
    tabBar()->setExpanding(false);
    setUsesScrollButtons(true);
    setElideMode(Qt::ElideNone);
    // The window's shortcuts act only while the panel shows: in a chat window the keys are
    // left alone.
    const auto key = [this](const QKeySequence& sequence, int direction) {
        auto* shortcut = new QShortcut(sequence, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, direction] { stepPage(direction); });
    };
    key(QKeySequence(Qt::CTRL | Qt::Key_Tab), 1);
    key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1);
}

void SettingsPanel::stepPage(int direction)
{
    if (count() > 0)
        setCurrentIndex((currentIndex() + direction + count()) % count());
}

SettingsPageList::SettingsPageList(QWidget* parent) : QTabBar(parent)
{
    setObjectName(QStringLiteral("settingspagelist"));
    setExpanding(false);
    setDrawBase(false);
    setElideMode(Qt::ElideNone);
}

QSize SettingsPageList::sizeHint() const
{
    QSize hint = QTabBar::sizeHint();
    if (parentWidget())
        hint.setHeight(std::max(hint.height(), parentWidget()->height()));
    return hint;
}

QSize SettingsPageList::tabSizeHint(int index) const
{
    const QFontMetrics metrics = fontMetrics();
    return {metrics.horizontalAdvance(tabText(index)) + 2 * SidePadding,
            metrics.height() + 2 * RowPadding};
}

QSize SettingsPageList::minimumTabSizeHint(int index) const
{
    return tabSizeHint(index);
}

void SettingsPageList::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& colours = palette();
    painter.fillRect(rect(), colours.base());
    painter.setPen(colours.color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    for (int i = 0; i < count(); ++i) {
        const QRect row = tabRect(i);
        if (!row.intersects(rect()))
            continue;
        const bool current = i == currentIndex();
        const bool enabled = isTabEnabled(i) && isEnabled();
        if (current)
            painter.fillRect(row.adjusted(1, 0, -1, 0),
                             colours.brush(hasFocus() ? QPalette::Active : QPalette::Inactive,
                                           QPalette::Highlight));
        painter.setPen(colours.color(enabled ? QPalette::Normal : QPalette::Disabled,
                                     current ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(row.adjusted(SidePadding, 0, -SidePadding / 2, 0),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, tabText(i));
        if (current && hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = row.adjusted(2, 1, -2, -1);
            focus.backgroundColor = colours.color(QPalette::Highlight);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
        }
    }
}

void SettingsPageList::keyPressEvent(QKeyEvent* event)
{
    int target = -1;
    switch (event->key()) {
    case Qt::Key_Up:
        target = currentIndex() - 1;
        break;
    case Qt::Key_Down:
        target = currentIndex() + 1;
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = count() - 1;
        break;
    default:
        QTabBar::keyPressEvent(event);
        return;
    }
    if (target >= 0 && target < count())
        setCurrentIndex(target);
    event->accept();
}
