#pragma once

#include <QSplitter>

// A splitter whose handle reports a double-click, which fits the panel beside it.
class ChatSplitter : public QSplitter
{
    Q_OBJECT
public:
    using QSplitter::QSplitter;

Q_SIGNALS:
    void handleDoubleClicked();

protected:
    QSplitterHandle* createHandle() override;
};
