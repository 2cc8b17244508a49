#include "ui/chat/chatsplitter.h"

#include <QMouseEvent>

namespace {
class Handle : public QSplitterHandle
{
public:
    Handle(Qt::Orientation o, ChatSplitter* parent) : QSplitterHandle(o, parent), owner_(parent) {}

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            Q_EMIT owner_->handleDoubleClicked();
    }

private:
    ChatSplitter* owner_;
};
} // namespace

QSplitterHandle* ChatSplitter::createHandle()
{
    return new Handle(orientation(), this);
}
