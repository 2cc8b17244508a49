#pragma once

#include "ui/dialogs/smalldialog.h"

class QLabel;
class QSlider;

// The user limit of a channel (setuserlimit): a track bar from 1 to 1000.
class SetUserLimitDialog : public SmallDialog
{
    Q_OBJECT
public:
    // start is where the bar begins (see UserActions::initialUserLimit).
    SetUserLimitDialog(const QString& channel, int start, QWidget* parent = nullptr);

    QSlider* trackBar() const { return trackBar_; }
    QLabel* positionLabel() const { return label_; }

Q_SIGNALS:
    void limitChosen(int limit);
    // "No User Limit".
    void limitRemoved();

private:
    QSlider* trackBar_;
    QLabel* label_;
};
