#include "ui/script/scriptdialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QHBoxLayout* okayCancelRow(QDialog* dialog, QPushButton*& okay)
{
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    okay = new QPushButton(QStringLiteral("Okay"), dialog);
    okay->setObjectName(QStringLiteral("Button1"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    cancel->setObjectName(QStringLiteral("Button2"));
    cancel->setAutoDefault(false);
    row->addWidget(okay);
    row->addWidget(cancel);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return row;
}
} // namespace

AddObjectDialog::AddObjectDialog(const QStringList& objectFiles, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("soaddobject"));
    setWindowTitle(QStringLiteral("Add Scripting Object"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Select a Scripting Object to be added to your Script"), this));
    files_ = new QListWidget(this);
    files_->setObjectName(QStringLiteral("FileListBox1"));
    files_->addItems(objectFiles);
    layout->addWidget(files_);
    QPushButton* okay = nullptr;
    layout->addLayout(okayCancelRow(this, okay));
    okay->setAutoDefault(false);
    connect(okay, &QPushButton::clicked, this, &AddObjectDialog::take);
    connect(files_, &QListWidget::itemDoubleClicked, this, &AddObjectDialog::take);
    setFixedSize(320, 300);
}

void AddObjectDialog::take()
{
    QListWidgetItem* item = files_->currentItem();
    if (!item || !item->isSelected())
        return;
    Q_EMIT objectChosen(item->text());
    accept();
}

RenameObjectDialog::RenameObjectDialog(const QString& currentName, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("sorenameobject"));
    setWindowTitle(QStringLiteral("Rename Script Object"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Selected Object Name is: ") + currentName, this));
    field_ = new QLineEdit(this);
    field_->setObjectName(QStringLiteral("Edit1"));
    layout->addWidget(field_);
    QPushButton* okay = nullptr;
    layout->addLayout(okayCancelRow(this, okay));
    // Enter confirms.
    okay->setDefault(true);
    connect(okay, &QPushButton::clicked, this,
            [this] { Q_EMIT nameChosen(field_->text().trimmed()); });
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
}
