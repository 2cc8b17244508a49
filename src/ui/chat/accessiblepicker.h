#pragma once

#include <QAccessibleWidget>

#include <vector>

class PickerPanel;

// The window picker to a screen reader: a list with a list item per row (the window's
// label as its name; unread, highlighted, disconnected or tiled in its description; the
// selected row selected, and focused while the picker has the keyboard). Pressing an
// item selects its row as a click does.
class AccessiblePicker : public QAccessibleWidget
{
public:
    explicit AccessiblePicker(PickerPanel* picker);
    ~AccessiblePicker() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* focusChild() const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    PickerPanel* picker() const;

private:
    // The items made so far, one per row index; a row's item reads the row it stands
    // at now, so the list may change under it.
    mutable std::vector<QAccessible::Id> items_;
};
