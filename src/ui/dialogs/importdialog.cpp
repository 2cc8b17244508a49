#include "ui/dialogs/importdialog.h"

#include "client/client.h"
#include "import/settingsimport.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

ImportDialog::ImportDialog(Client& client, QWidget* parent) : QDialog(parent), client_(client)
{
    setObjectName(QStringLiteral("importform"));
    setWindowTitle(QStringLiteral("Import"));
    setWindowFlag(Qt::WindowStaysOnTopHint);

    clientName_ = new QListWidget(this);
    clientName_->setObjectName(QStringLiteral("clientname"));
    clientName_->addItems(SettingsImport::sources());

    folders_ = new QFileSystemModel(this);
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    folders_->setRootPath(QDir::rootPath());
    whereList_ = new QTreeView(this);
    whereList_->setObjectName(QStringLiteral("wherelist"));
    whereList_->setModel(folders_);
    for (int column = 1; column < folders_->columnCount(); ++column)
        whereList_->hideColumn(column);
    whereList_->setHeaderHidden(true);

    resultLabel_ = new QLabel(this);
    resultLabel_->setObjectName(QStringLiteral("Label3"));
    resultLabel_->setWordWrap(true);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress1"));
    progress_->setRange(0, 100);
    importButton_ = new QPushButton(QStringLiteral("Import Now"), this);
    importButton_->setObjectName(QStringLiteral("Button2"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("Button1"));

    auto* lists = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Import From:"), this));
    left->addWidget(clientName_, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("The client is located in this folder:"), this));
    right->addWidget(whereList_, 1);
    lists->addLayout(left);
    lists->addLayout(right, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(importButton_);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("You can import settings from other IRC Clients here."), this));
    layout->addLayout(lists, 1);
    layout->addWidget(resultLabel_);
    layout->addWidget(progress_);
    layout->addLayout(buttons);
    setFixedSize(560, 420);

    connect(whereList_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { setFolder(folders_->filePath(current)); });
    connect(importButton_, &QPushButton::clicked, this, &ImportDialog::importNow);
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    setFolder(QDir::homePath());
}

void ImportDialog::showEvent(QShowEvent* event)
{
    clientName_->setCurrentRow(0);
    progress_->setValue(0);
    QDialog::showEvent(event);
}

void ImportDialog::setFolder(const QString& folder)
{
    // The folder is kept apart from the label, which also shows the result: a second
    // import never takes a message for a folder.
    folder_ = folder;
    resultLabel_->setText(folder);
    const QModelIndex index = folders_->index(folder);
    if (index.isValid() && whereList_->currentIndex() != index) {
        whereList_->setCurrentIndex(index);
        whereList_->scrollTo(index);
    }
}

void ImportDialog::importNow()
{
    const QListWidgetItem* source = clientName_->currentItem();
    if (!source)
        return;
    ImportedSettings settings = SettingsImport::read(source->text(), folder_);
    if (!settings.found()) {
        resultLabel_->setText(QStringLiteral("Cannot find settings in this Folder"));
        progress_->setValue(0);
        return;
    }
    progress_->setMaximum(std::max(1, settings.serverCount));
    progress_->setValue(settings.serverCount);
    SettingsImport::apply(settings, client_.options().user, client_.notifyList(),
                          client_.serverTree());
    for (const QString& nick : std::as_const(settings.refusedNicknames))
        client_.addStatusLine(QStringLiteral("Not imported: \"") + nick +
                              QStringLiteral("\" is not a valid nickname."));
    resultLabel_->setText(QStringLiteral("Successfully Imported"));
    importButton_->setEnabled(false);
    Q_EMIT imported();
}
