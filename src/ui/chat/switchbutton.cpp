#include "ui/chat/switchbutton.h"

SwitchButton::SwitchButton(bool& option, const QString& objectName, const QString& caption,
                           const QString& hint, QWidget* parent)
    : QToolButton(parent), option_(option)
{
    setObjectName(objectName);
    setText(caption);
    setToolTip(hint);
    setCheckable(true);
    load();
    connect(this, &QToolButton::toggled, this, [this](bool on) { option_ = on; });
}

void SwitchButton::load()
{
    setChecked(option_);
}
