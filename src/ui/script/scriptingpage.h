#pragma once

#include "script/scriptobjects.h"

#include <QWidget>

#include <map>

class Client;
class ObjectEditorDialog;
class QLabel;
class QListWidget;
class QToolButton;

// The scripting page: the current script's objects in objectlistbox, each checked when
// it is loaded, and the tool buttons that make, load and save scripts and add, edit,
// rename, delete and move objects.
class ScriptingPage : public QWidget
{
    Q_OBJECT
public:
    explicit ScriptingPage(Client& client, QWidget* parent = nullptr);

    QListWidget* objectList() const { return objectlistbox_; }
    // The editor of objects of this type, made on first use.
    ObjectEditorDialog* editor(ObjectType type);

    // "Edit Object": the selected object's file in the dialog of its type.
    void editObject();
    void addObject();
    void renameObject();
    void deleteObject();
    void moveObject(int step);
    void newScript();
    void loadScript();
    void saveScript();

private:
    QToolButton* toolButton(const QString& objectName, const QString& hint);
    void showScript();
    int selectedRow() const;
    void message(const QString& text, QWidget* over);

    Scripts& scripts_;
    QLabel* scriptCaption_;
    QListWidget* objectlistbox_;
    std::map<ObjectType, ObjectEditorDialog*> editors_;
    QString editingPath_;
    bool showing_ = false;
};
