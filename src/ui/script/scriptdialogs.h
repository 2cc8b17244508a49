#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;

// "Add Scripting Object": the object files to choose from. "Okay" or a double click takes the
// selected file. Deleted when closed.
class AddObjectDialog : public QDialog
{
    Q_OBJECT
public:
    AddObjectDialog(const QStringList& objectFiles, QWidget* parent);

    QListWidget* files() const { return files_; }

Q_SIGNALS:
    void objectChosen(const QString& fileName);

private:
    void take();

    QListWidget* files_;
};

// "Rename Script Object": a new name for the selected object. The dialog stays open while the page
// refuses a name; the page closes it once renamed.
class RenameObjectDialog : public QDialog
{
    Q_OBJECT
public:
    RenameObjectDialog(const QString& currentName, QWidget* parent);

    QLineEdit* field() const { return field_; }

Q_SIGNALS:
    // The trimmed new name.
    void nameChosen(const QString& name);

private:
    QLineEdit* field_;
};
