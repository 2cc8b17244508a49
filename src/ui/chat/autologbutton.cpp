#include "ui/chat/autologbutton.h"

#include "core/options.h"

AutoLogButton::AutoLogButton(DisplayOptions& display, QWidget* parent)
    : QToolButton(parent), display_(display)
{
    setObjectName(QStringLiteral("ToolButton7"));
    setText(QStringLiteral("Auto-Log"));
    setToolTip(QStringLiteral("Auto-Log all Chats"));
    setCheckable(true);
    setChecked(display_.autoLog);
    connect(this, &QToolButton::toggled, this, [this](bool on) { display_.autoLog = on; });
}

void AutoLogButton::showEvent(QShowEvent* event)
{
    setChecked(display_.autoLog);
    QToolButton::showEvent(event);
}
