#include "chat/pickerlayout.h"

#include "chat/windowregistry.h"

#include <algorithm>

namespace {
// Rows per column for n tiles: {left column, right column}; no right column means the
// rows span the whole width.
struct TileColumns
{
    int left;
    int right;
};
constexpr TileColumns tileTable[] = {
    {0, 0}, {0, 0}, {2, 0}, {3, 0}, {2, 2}, {2, 3}, {3, 3}, {3, 4}, {4, 4},
};

void addColumn(QList<QRect>& rects, int x, int width, int rows, int areaHeight)
{
    const int rowHeight = areaHeight / rows;
    for (int i = 0; i < rows; ++i)
        rects << QRect(x, i * rowHeight, width, rowHeight);
}
} // namespace

PickerLayout::PickerLayout(WindowRegistry& registry, QObject* parent)
    : QObject(parent), registry_(registry)
{
}

ChatWindow* PickerLayout::item(int row) const
{
    if (row < 0 || row >= registry_.count())
        return nullptr;
    return registry_.at(row);
}

int PickerLayout::rowAt(int y) const
{
    if (y < 0)
        return NoRow;
    const int onScreen = y / RowHeight;
    // The last visible row counts as the height's rows less one, cut toward zero, so a
    // picker lower than a row still answers for its top row.
    if (onScreen > static_cast<int>(height_ / double(RowHeight) - 1))
        return NoRow;
    const int row = onScreen + scrollOffset_;
    return row < registry_.count() ? row : NoRow;
}

void PickerLayout::setHot(int row)
{
    bool changed = false;
    for (int i = 0; i < registry_.count(); ++i) {
        ChatWindow* it = registry_.at(i);
        if (i == row && it->pickerState == PickerState::Normal) {
            it->pickerState = PickerState::Hot;
            changed = true;
        } else if (i != row && it->pickerState == PickerState::Hot) {
            it->pickerState = PickerState::Normal;
            changed = true;
        }
    }
    if (changed)
        Q_EMIT repaintNeeded();
}

void PickerLayout::setTileFrame(int row)
{
    if (row == tileFrameRow_)
        return;
    tileFrameRow_ = row;
    Q_EMIT tileFrameChanged(row);
}

void PickerLayout::mouseMove(int x, int y, int width)
{
    // The rightmost strip belongs to the scroller buttons.
    if (x >= width - 8)
        return;
    int row = rowAt(y);
    if (const ChatWindow* it = item(row)) {
        if ((it->isChat() && x <= 14) || (it->isSection() && x < 2))
            row = NoRow;
    }
    setHot(row);
    const ChatWindow* it = item(row);
    setTileFrame(it && it->isTiled() && tilesShown_ ? row : NoRow);
}

void PickerLayout::mouseLeave()
{
    setTileFrame(NoRow);
    setHot(NoRow);
}

void PickerLayout::mouseDown(Button button, int y, bool ctrl)
{
    const int row = rowAt(y);
    ChatWindow* it = item(row);
    if (!it)
        return;
    if (button == Button::Right) {
        if (it->pickerState == PickerState::Hot)
            addTile(row);
        else if (it->isTiled())
            removeTile(row);
        return;
    }
    if (ctrl && it->isChat()) {
        registry_.leaveWindow(it);
        return;
    }
    selectRow(row);
}

bool PickerLayout::selectChatWindow(int n)
{
    for (int row = 0; row < registry_.count(); ++row) {
        if (registry_.at(row)->isChat() && --n == 0) {
            selectRow(row);
            return true;
        }
    }
    return false;
}

bool PickerLayout::stepChatWindow(int direction)
{
    QList<int> rows;
    int selected = -1;
    for (int row = 0; row < registry_.count(); ++row) {
        const ChatWindow* it = registry_.at(row);
        if (it->pickerState == PickerState::Selected)
            selected = row;
        if (it->isChat())
            rows << row;
    }
    if (rows.isEmpty())
        return false;
    int target = direction > 0 ? rows.first() : rows.last();
    if (direction > 0) {
        for (int row : rows) {
            if (row > selected) {
                target = row;
                break;
            }
        }
    } else {
        for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
            if (selected >= 0 && *it < selected) {
                target = *it;
                break;
            }
        }
    }
    selectRow(target);
    return true;
}

ChatWindow* PickerLayout::selectedChatWindow() const
{
    for (int row = 0; row < registry_.count(); ++row) {
        ChatWindow* it = registry_.at(row);
        if (it->pickerState == PickerState::Selected)
            return it->isChat() ? it : nullptr;
    }
    return nullptr;
}

int PickerLayout::highestTileState() const
{
    int highest = 0;
    for (int i = 0; i < registry_.count(); ++i)
        highest = std::max(highest, registry_.at(i)->pickerState);
    return highest >= PickerState::FirstTile ? highest : 0;
}

QList<ChatWindow*> PickerLayout::tiles() const
{
    QList<ChatWindow*> result;
    for (int i = 0; i < registry_.count(); ++i) {
        if (registry_.at(i)->isTiled())
            result << registry_.at(i);
    }
    std::sort(result.begin(), result.end(), [](const ChatWindow* a, const ChatWindow* b) {
        return a->pickerState < b->pickerState;
    });
    return result;
}

void PickerLayout::addTile(int row)
{
    ChatWindow* it = item(row);
    if (!it || it->isTiled() || it->pickerState == PickerState::Selected)
        return;
    int highest = highestTileState();
    if (highest >= PickerState::FirstTile + PickerState::MaxTiles - 1)
        return;
    if (highest == 0) {
        for (int i = 0; i < registry_.count(); ++i) {
            if (registry_.at(i)->pickerState == PickerState::Selected) {
                registry_.at(i)->pickerState = PickerState::FirstTile;
                highest = PickerState::FirstTile;
                break;
            }
        }
    }
    if (highest == 0) {
        // Nothing was on display to share the area with: the window is simply selected.
        selectRow(row);
        return;
    }
    it->pickerState = highest + 1;
    retile();
}

void PickerLayout::removeTile(int row)
{
    ChatWindow* it = item(row);
    if (!it || !it->isTiled())
        return;
    setTileFrame(NoRow);
    const int removed = it->pickerState;
    it->pickerState = PickerState::Hot;
    for (int i = 0; i < registry_.count(); ++i) {
        ChatWindow* other = registry_.at(i);
        if (other->pickerState > removed)
            --other->pickerState;
    }
    const QList<ChatWindow*> remaining = tiles();
    if (remaining.size() == 1) {
        bool selected = false;
        for (int i = 0; i < registry_.count(); ++i)
            selected = selected || registry_.at(i)->pickerState == PickerState::Selected;
        remaining.first()->pickerState = selected ? PickerState::Normal : PickerState::Selected;
    }
    Q_EMIT repaintNeeded();
    retile();
}

void PickerLayout::selectRow(int row)
{
    ChatWindow* it = item(row);
    if (!it)
        return;
    if (it->pickerState == PickerState::Selected && tilesShown_) {
        tilesShown_ = false;
        applyDisplay();
    } else if (!it->isTiled()) {
        for (int i = 0; i < registry_.count(); ++i) {
            if (registry_.at(i)->pickerState == PickerState::Selected)
                registry_.at(i)->pickerState = PickerState::Normal;
        }
        it->pickerState = PickerState::Selected;
        tilesShown_ = false;
        applyDisplay();
        if (it->isChat())
            Q_EMIT entryFocusWanted(it);
    } else {
        retile();
    }
    scrollTo(row);
    Q_EMIT repaintNeeded();
}

void PickerLayout::scrollTo(int row)
{
    const int visible = visibleRowCount();
    if (visible <= 0)
        return;
    if (row < scrollOffset_)
        scrollOffset_ = row;
    else if (row >= scrollOffset_ + visible)
        scrollOffset_ = row - visible + 1;
}

void PickerLayout::retile()
{
    tilesShown_ = tiles().size() >= 2;
    applyDisplay();
}

void PickerLayout::applyDisplay()
{
    for (int i = 0; i < registry_.count(); ++i) {
        ChatWindow* it = registry_.at(i);
        it->shown = tilesShown_ ? it->isTiled() : it->pickerState == PickerState::Selected;
        if (it->shown) {
            it->unseenActivity = false;
            it->highlighted = false;
        }
    }
    Q_EMIT displayChanged();
    Q_EMIT repaintNeeded();
}

ChatWindow* PickerLayout::shownAlone() const
{
    if (tilesShown_)
        return nullptr;
    for (int i = 0; i < registry_.count(); ++i) {
        if (registry_.at(i)->pickerState == PickerState::Selected)
            return registry_.at(i);
    }
    return nullptr;
}

QList<QRect> PickerLayout::tileRects(int n, const QSize& area)
{
    QList<QRect> rects;
    if (n < 2 || n > PickerState::MaxTiles)
        return rects;
    const int w = area.width();
    const int h = area.height();
    const TileColumns columns = tileTable[n];
    if (n == 2) {
        const int first = h / 2;
        rects << QRect(0, 0, w, first) << QRect(0, h - first, w, first);
    } else if (columns.right == 0) {
        addColumn(rects, 0, w, columns.left, h);
    } else {
        addColumn(rects, 0, w / 2, columns.left, h);
        addColumn(rects, w / 2, w / 2, columns.right, h);
    }
    return rects;
}

void PickerLayout::scrollUp()
{
    if (scrollOffset_ > 0) {
        --scrollOffset_;
        Q_EMIT repaintNeeded();
    }
}

void PickerLayout::scrollDown()
{
    if (scrollOffset_ < registry_.count() - visibleRowCount()) {
        ++scrollOffset_;
        Q_EMIT repaintNeeded();
    }
}

bool PickerLayout::scrollersVisible() const
{
    return scrollOffset_ > 0 || visibleRowCount() < registry_.count();
}

void PickerLayout::moveAwayFrom(ChatWindow* window)
{
    const int row = int(registry_.indexOf(window));
    if (row < 0)
        return;
    if (window->isTiled()) {
        removeTile(row);
        return;
    }
    if (row == scrollOffset_ && row + 1 < registry_.count())
        selectRow(row + 1);
    else
        selectRow(row - 1);
}

void PickerLayout::windowRemoved()
{
    scrollOffset_ = 0;
    setTileFrame(NoRow);
    QList<ChatWindow*> remaining = tiles();
    for (int i = 0; i < remaining.size(); ++i)
        remaining.at(i)->pickerState = PickerState::FirstTile + i;
    bool selected = false;
    for (int i = 0; i < registry_.count(); ++i) {
        ChatWindow* it = registry_.at(i);
        if (it->pickerState == PickerState::Hot)
            it->pickerState = PickerState::Normal;
        selected = selected || it->pickerState == PickerState::Selected;
    }
    if (remaining.size() == 1)
        remaining.first()->pickerState = selected ? PickerState::Normal : PickerState::Selected;
    // Whatever was on display stays so; only an arrangement too small to show ends.
    if (tiles().size() < 2)
        tilesShown_ = false;
    applyDisplay();
}

void PickerLayout::resetToFirstSection()
{
    for (int i = 0; i < registry_.count(); ++i)
        registry_.at(i)->pickerState = PickerState::Normal;
    scrollOffset_ = 0;
    setTileFrame(NoRow);
    tilesShown_ = false;
    selectRow(0);
}
