#include "ui/chat/accessiblepicker.h"

#include "chat/chatwindow.h"
#include "chat/pickerlayout.h"
#include "chat/windowregistry.h"
#include "ui/chat/pickerpanel.h"

#include <QStringList>

namespace {
class PickerItem : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    PickerItem(const AccessiblePicker* list, int row) : list_(list), row_(row) {}

    bool isValid() const override { return window() != nullptr; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return list_->window(); }
    QAccessibleInterface* parent() const override { return const_cast<AccessiblePicker*>(list_); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }

    QString text(QAccessible::Text t) const override
    {
        const ChatWindow* w = item();
        if (!w)
            return {};
        if (t == QAccessible::Name)
            return w->label;
        if (t != QAccessible::Description)
            return {};
        QStringList marks;
        if (w->highlighted)
            marks << QObject::tr("highlighted");
        if (w->unseenActivity && w->isChat())
            marks << QObject::tr("unread");
        if (w->disconnected)
            marks << QObject::tr("disconnected");
        if (w->isTiled())
            marks << QObject::tr("tiled");
        return marks.join(QStringLiteral(", "));
    }
    void setText(QAccessible::Text, const QString&) override {}

    QAccessible::State state() const override
    {
        QAccessible::State s;
        const ChatWindow* w = item();
        if (!w) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.focusable = true;
        s.selected = w->pickerState == PickerState::Selected;
        s.focused = s.selected && list_->picker()->hasFocus();
        const PickerLayout& layout = list_->picker()->registry().picker();
        s.offscreen =
            row_ < layout.scrollOffset() || layout.rowTop(row_) >= list_->picker()->height();
        return s;
    }

    QRect rect() const override
    {
        PickerPanel* picker = list_->picker();
        const int top = picker->registry().picker().rowTop(row_);
        return {picker->mapToGlobal(QPoint(0, top)),
                QSize(picker->width(), PickerLayout::RowHeight)};
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override
    {
        if (name == pressAction() && item())
            list_->picker()->registry().picker().selectRow(row_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    const ChatWindow* item() const
    {
        const WindowRegistry& windows = list_->picker()->registry();
        return row_ < windows.count() ? windows.at(row_) : nullptr;
    }

    const AccessiblePicker* list_;
    int row_;
};

} // namespace

AccessiblePicker::AccessiblePicker(PickerPanel* picker)
    : QAccessibleWidget(picker, QAccessible::List)
{
}

AccessiblePicker::~AccessiblePicker()
{
    for (QAccessible::Id id : items_)
        if (id)
            QAccessible::deleteAccessibleInterface(id);
}

PickerPanel* AccessiblePicker::picker() const
{
    return static_cast<PickerPanel*>(widget());
}

int AccessiblePicker::childCount() const
{
    return int(picker()->registry().count());
}

QAccessibleInterface* AccessiblePicker::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    if (size_t(index) >= items_.size())
        items_.resize(size_t(index) + 1, 0);
    QAccessible::Id& id = items_[size_t(index)];
    if (!id)
        id = QAccessible::registerAccessibleInterface(new PickerItem(this, index));
    return QAccessible::accessibleInterface(id);
}

int AccessiblePicker::indexOfChild(const QAccessibleInterface* child) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i] && QAccessible::accessibleInterface(items_[i]) == child)
            return int(i) < childCount() ? int(i) : -1;
    return -1;
}

QAccessibleInterface* AccessiblePicker::focusChild() const
{
    if (!picker()->hasFocus())
        return nullptr;
    const WindowRegistry& windows = picker()->registry();
    for (qsizetype row = 0; row < windows.count(); ++row)
        if (windows.at(row)->pickerState == PickerState::Selected)
            return child(int(row));
    return nullptr;
}

QAccessibleInterface* AccessiblePicker::childAt(int x, int y) const
{
    const QPoint p = picker()->mapFromGlobal(QPoint(x, y));
    if (!picker()->rect().contains(p))
        return nullptr;
    const int row = picker()->registry().picker().rowAt(p.y());
    return row == PickerLayout::NoRow ? nullptr : child(row);
}
