#pragma once

#include <QDialog>

class QLineEdit;

// Asks a script object for one line of text, with "Okay" and "Cancel"; Enter confirms.
// The caller sets the caption. Deleted when closed.
class EnterDialog : public QDialog
{
    Q_OBJECT
public:
    EnterDialog(const QString& caption, QWidget* parent);

    QLineEdit* field() const { return field_; }

Q_SIGNALS:
    // Confirmed, with the text trimmed.
    void textEntered(const QString& text);

private:
    QLineEdit* field_;
};
