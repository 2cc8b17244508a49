#pragma once

#include "ui/dialogs/smalldialog.h"

class QLineEdit;

// The key of a channel (chanpword).
class ChanPwordDialog : public SmallDialog
{
    Q_OBJECT
public:
    ChanPwordDialog(const QString& channel, const QString& currentKey, QWidget* parent = nullptr);

    QLineEdit* edit() const { return edit_; }

Q_SIGNALS:
    // "Okay": the key trimmed.
    void keyChosen(const QString& key);
    // "No Password Required".
    void keyRemoved();

private:
    QLineEdit* edit_;
};
