#pragma once

#include <QToolButton>

struct DisplayOptions;

// ToolButton7 "Auto-Log all Chats": while down, every chat window created afterwards
// starts logging. It reads the option when shown, so settings read after it was built
// are what it shows.
class AutoLogButton : public QToolButton
{
    Q_OBJECT
public:
    explicit AutoLogButton(DisplayOptions& display, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    DisplayOptions& display_;
};
