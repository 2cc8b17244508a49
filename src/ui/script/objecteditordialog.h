#pragma once

#include "script/objectform.h"

#include <QDialog>

class QButtonGroup;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

// The editor of one script object type. Each type has its own dialog, made once and
// reused, so a dialog keeps its controls between uses except what loading sets. Each
// dialog's object name and caption:
//   soautogreet        "Channel Auto-Greeter"
//   soautofarewell     "Channel Auto-Farewell"
//   soautoopform       "Channel Auto-Op List"
//   soautovoiceform    "Channel Auto-Voice List"
//   soautoprotectform  "Channel Auto-Protect List"
//   soautofilesender   "Channel Auto-File Sender"
//   soautotext         "Auto Text Responder"
class ObjectEditorDialog : public QDialog
{
    Q_OBJECT
public:
    ObjectEditorDialog(ObjectType type, QWidget* parent);

    ObjectType type() const { return type_; }

    // Fills the controls from an object file's values.
    void loadForm(const ObjectForm& form);
    // The values as the controls hold them.
    ObjectForm form() const;
    // Writes the values to the object file; false when it cannot be written.
    bool storeFile(const QString& path) const;

    // Adds a list entry unless the list holds it already in any letter case.
    bool addListEntry(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    QWidget* buildList(const QString& caption, const QString& prompt);
    void keepOneLine(QPlainTextEdit* memo, int maxLength);
    void findFile();

    ObjectType type_;
    QLineEdit* channel_ = nullptr; // Edit1
    QLineEdit* network_ = nullptr;
    QLineEdit* keyword_ = nullptr;      // Edit2
    QLineEdit* file_ = nullptr;         // Edit3
    QPlainTextEdit* message_ = nullptr; // Memo1
    QPlainTextEdit* words_ = nullptr;   // Memo2
    QListWidget* list_ = nullptr;       // ListBox1
    QButtonGroup* choice_ = nullptr;
    QButtonGroup* sendTo_ = nullptr;
};
