#pragma once

#include <QToolButton>

// A toolbar toggle bound to one switch of the options model: "Auto-Log all Chats" and
// "Hide All Channel Joins/Parts/Quits". load() shows the switch again after the settings
// are read.
class SwitchButton : public QToolButton
{
    Q_OBJECT
public:
    SwitchButton(bool& option, const QString& objectName, const QString& caption,
                 const QString& hint, QWidget* parent = nullptr);

    void load();

private:
    bool& option_;
};
