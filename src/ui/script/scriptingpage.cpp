#include "ui/script/scriptingpage.h"

#include "client/client.h"
#include "ui/script/objecteditordialog.h"
#include "ui/script/scriptdialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

ScriptingPage::ScriptingPage(Client& client, QWidget* parent)
    : QWidget(parent), scripts_(client.scripts())
{
    setObjectName(QStringLiteral("scriptingpage"));
    auto* layout = new QVBoxLayout(this);
    // The tools stand in a column beside the list, where their hints fit as captions.
    auto* tools = new QVBoxLayout;
    struct Tool
    {
        const char* name;
        const char* hint;
        void (ScriptingPage::*run)();
    };
    const Tool toolRows[] = {
        {"ToolButton72", "Create New Script", &ScriptingPage::newScript},
        {"ToolButton68", "Load a Script", &ScriptingPage::loadScript},
        {"ToolButton69", "Save this Script", &ScriptingPage::saveScript},
        {"ToolButton30", "Add Script Object", &ScriptingPage::addObject},
        {"ToolButton61", "Edit Object", &ScriptingPage::editObject},
        {"ToolButton71", "Rename this Object", &ScriptingPage::renameObject},
        {"ToolButton62", "Delete Object", &ScriptingPage::deleteObject},
    };
    for (const Tool& tool : toolRows) {
        QToolButton* button = toolButton(QLatin1String(tool.name), QLatin1String(tool.hint));
        connect(button, &QToolButton::clicked, this, tool.run);
        tools->addWidget(button);
    }
    QToolButton* down =
        toolButton(QStringLiteral("ToolButton65"), QStringLiteral("Move Object Down"));
    connect(down, &QToolButton::clicked, this, [this] { moveObject(1); });
    tools->addWidget(down);
    QToolButton* up = toolButton(QStringLiteral("ToolButton66"), QStringLiteral("Move Object Up"));
    connect(up, &QToolButton::clicked, this, [this] { moveObject(-1); });
    tools->addWidget(up);
    tools->addStretch(1);

    scriptCaption_ = new QLabel(this);
    scriptCaption_->setObjectName(QStringLiteral("Label44"));
    layout->addWidget(scriptCaption_);
    auto* row = new QHBoxLayout;
    objectlistbox_ = new QListWidget(this);
    objectlistbox_->setObjectName(QStringLiteral("objectlistbox"));
    objectlistbox_->setAccessibleName(QStringLiteral("Script objects"));
    row->addWidget(objectlistbox_, 1);
    row->addLayout(tools);
    layout->addLayout(row, 1);
    connect(objectlistbox_, &QListWidget::itemDoubleClicked, this, [this] { editObject(); });
    connect(objectlistbox_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (showing_)
            return;
        scripts_.setEnabled(objectlistbox_->row(item), item->checkState() == Qt::Checked);
    });

    connect(&scripts_, &Scripts::changed, this, &ScriptingPage::showScript);
    showScript();
}

// The editors are made when first wanted (most users never open one, and all seven
// cost as much to build as the rest of the window) and keep their controls between uses.
ObjectEditorDialog* ScriptingPage::editor(ObjectType type)
{
    if (ObjectEditorDialog* made = editors_[type])
        return made;
    auto* editor = new ObjectEditorDialog(type, this);
    editors_[type] = editor;
    connect(editor, &QDialog::accepted, this, [this, editor] {
        if (!editor->storeFile(editingPath_))
            message(QStringLiteral("Unable to write to ") + editingPath_, this);
        scripts_.rebuild();
    });
    return editor;
}

QToolButton* ScriptingPage::toolButton(const QString& objectName, const QString& hint)
{
    auto* button = new QToolButton(this);
    button->setObjectName(objectName);
    button->setToolTip(hint);
    button->setText(hint);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return button;
}

void ScriptingPage::showScript()
{
    const int selected = selectedRow();
    showing_ = true;
    scriptCaption_->setText(scripts_.caption());
    // Items are reused where they can be: a check mark changed from the list calls back
    // here while its item is still in use.
    const QList<ScriptEntry>& entries = scripts_.entries();
    while (objectlistbox_->count() > entries.size())
        delete objectlistbox_->takeItem(objectlistbox_->count() - 1);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        QListWidgetItem* item = objectlistbox_->item(int(i));
        if (!item) {
            item = new QListWidgetItem(objectlistbox_);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        }
        item->setText(entries.at(i).name);
        item->setCheckState(entries.at(i).enabled ? Qt::Checked : Qt::Unchecked);
    }
    if (selected >= 0 && selected < objectlistbox_->count())
        objectlistbox_->setCurrentRow(selected);
    showing_ = false;
}

int ScriptingPage::selectedRow() const
{
    QListWidgetItem* item = objectlistbox_->currentItem();
    return item && item->isSelected() ? objectlistbox_->row(item) : -1;
}

void ScriptingPage::message(const QString& text, QWidget* over)
{
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("QuorlIRC"), text,
                                QMessageBox::Ok, over);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void ScriptingPage::newScript()
{
    scripts_.newScript();
}

void ScriptingPage::loadScript()
{
    auto* dialog = new QFileDialog(this, QStringLiteral("Load Script"), scripts_.scriptsFolder(),
                                   QStringLiteral("Scripts (*.sct)"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFile);
    connect(dialog, &QFileDialog::fileSelected, this,
            [this](const QString& path) { scripts_.load(QFileInfo(path).fileName()); });
    dialog->open();
}

void ScriptingPage::saveScript()
{
    auto* dialog = new QFileDialog(this, QStringLiteral("Save Script"), scripts_.scriptsFolder(),
                                   QStringLiteral("Scripts (*.sct)"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("sct"));
    dialog->selectFile(scripts_.currentName());
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        const QString name = QFileInfo(path).fileName();
        if (!name.isEmpty() && !scripts_.save(name))
            message(QStringLiteral("Unable to write to ") + scripts_.scriptsFolder() + name, this);
    });
    dialog->open();
}

void ScriptingPage::addObject()
{
    auto* dialog = new AddObjectDialog(scripts_.objectFiles(), this);
    connect(dialog, &AddObjectDialog::objectChosen, this,
            [this](const QString& fileName) { scripts_.addObject(fileName); });
    dialog->open();
}

void ScriptingPage::editObject()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const QString path = scripts_.objectPath(scripts_.entries().at(row).name);
    if (!QFileInfo(path).isFile())
        return;
    const std::optional<ObjectForm> form = ObjectForm::read(path);
    if (!form)
        return;
    ObjectEditorDialog* editor = this->editor(form->type);
    editingPath_ = path;
    editor->loadForm(*form);
    editor->open();
}

void ScriptingPage::renameObject()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    auto* dialog = new RenameObjectDialog(scripts_.entries().at(row).name, this);
    connect(dialog, &RenameObjectDialog::nameChosen, this,
            [this, dialog, row](const QString& name) {
                switch (scripts_.renameObject(row, name)) {
                case Scripts::RenameResult::Renamed:
                    objectlistbox_->setCurrentRow(row);
                    dialog->accept();
                    break;
                case Scripts::RenameResult::NameTaken:
                    message(QStringLiteral("That Script Object Name already exists.  "
                                           "Select another Name."),
                            dialog);
                    break;
                case Scripts::RenameResult::InvalidName:
                    message(QStringLiteral("Invalid Name.  Select another Name."), dialog);
                    break;
                }
            });
    dialog->open();
}

void ScriptingPage::deleteObject()
{
    scripts_.removeEntry(selectedRow());
}

void ScriptingPage::moveObject(int step)
{
    const int row = selectedRow();
    if (row >= 0 && scripts_.moveEntry(row, step))
        objectlistbox_->setCurrentRow(row + step);
}
