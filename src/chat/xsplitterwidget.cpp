#include "chat/xsplitterwidget.h"

#include <QMouseEvent>

namespace {
class Handle : public QSplitterHandle
{
public:
    Handle(Qt::Orientation o, Txsplitter* parent) : QSplitterHandle(o, parent), owner_(parent) {}

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            Q_EMIT owner_->handleDoubleClicked();
    }

private:
    Txsplitter* owner_;
};
} // namespace

QSplitterHandle* Txsplitter::createHandle()
{
    return new Handle(orientation(), this);
}
