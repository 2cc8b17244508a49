#pragma once

#include "ui/dialogs/smalldialog.h"

class QLineEdit;

// Adds a nickname to the user's list (nickform).
class NickFormDialog : public SmallDialog
{
    Q_OBJECT
public:
    static constexpr int MaxLength = 30;

    explicit NickFormDialog(QWidget* parent = nullptr);

    QLineEdit* edit() const { return edit_; }

Q_SIGNALS:
    // Enter or "Okay" with something in the box: the text trimmed.
    void nicknameChosen(const QString& nickname);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void finish();

    QLineEdit* edit_;
};
