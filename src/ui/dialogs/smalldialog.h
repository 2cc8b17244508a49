#pragma once

#include <QDialog>

class QHBoxLayout;
class QVBoxLayout;
class QPushButton;

// The common frame of the small channel and nickname dialogs: they are shown with open()
// and deleted on close, and their buttons never act on Enter unless a dialog says so.
class SmallDialog : public QDialog
{
    Q_OBJECT
public:
    SmallDialog(const QString& objectName, const QString& caption, QWidget* parent);

protected:
    // A button on the bottom row.
    QPushButton* addButton(const QString& caption, const QString& objectName);
    // A control above the button row.
    void addContent(QWidget* widget);

private:
    QVBoxLayout* layout_;
    QHBoxLayout* buttons_;
};
