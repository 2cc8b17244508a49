#include "ui/dcc/fileselectdialog.h"

#include "dcc/filesend.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

FileSelectDialog::FileSelectDialog(FileSends& sends, const QString& startFolder,
                                   const QString& nick, QWidget* parent)
    : QDialog(parent), sends_(sends)
{
    setObjectName(QStringLiteral("fileselectform"));
    setWindowTitle(QStringLiteral("Select Files for DCC Send"));
    resize(620, 440);
    auto* column = new QVBoxLayout(this);
    auto* lists = new QHBoxLayout;
    column->addLayout(lists, 1);

    folders_ = new QFileSystemModel(this);
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    folders_->setRootPath(QDir::rootPath());
    folderView_ = new QTreeView(this);
    folderView_->setObjectName(QStringLiteral("DirectoryListBox1"));
    folderView_->setModel(folders_);
    for (int c = 1; c < folders_->columnCount(); ++c)
        folderView_->hideColumn(c);
    folderView_->header()->hide();
    lists->addWidget(folderView_, 1);
    connect(folderView_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& index) { setFolder(folders_->filePath(index)); });

    auto* right = new QVBoxLayout;
    lists->addLayout(right, 1);
    files_ = new QListWidget(this);
    files_->setObjectName(QStringLiteral("FileListBox1"));
    files_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    right->addWidget(files_, 1);
    connect(files_, &QListWidget::itemSelectionChanged, this, &FileSelectDialog::showCount);
    filter_ = new QComboBox(this);
    filter_->setObjectName(QStringLiteral("FilterComboBox1"));
    filter_->addItem(QStringLiteral("All Files (*.*)"), QStringLiteral("*"));
    filter_->addItem(QStringLiteral("Sounds (*.wav *.mid)"), QStringLiteral("*.wav *.mid"));
    filter_->addItem(QStringLiteral("Themes (*.qth)"), QStringLiteral("*.qth"));
    right->addWidget(filter_);
    connect(filter_, &QComboBox::currentIndexChanged, this, &FileSelectDialog::listFiles);

    auto* nickRow = new QHBoxLayout;
    column->addLayout(nickRow);
    nickRow->addWidget(new QLabel(QStringLiteral("Send these Files to"), this));
    nick_ = new QLineEdit(nick, this);
    nick_->setObjectName(QStringLiteral("Edit1"));
    nick_->installEventFilter(this);
    nickRow->addWidget(nick_, 1);
    count_ = new QLabel(QStringLiteral("0 files selected."), this);
    column->addWidget(count_);

    auto* buttons = new QHBoxLayout;
    column->addLayout(buttons);
    buttons->addStretch(1);
    auto* sendButton = new QPushButton(QStringLiteral("Send"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    sendButton->setAutoDefault(false);
    cancel->setAutoDefault(false);
    buttons->addWidget(sendButton);
    buttons->addWidget(cancel);
    connect(sendButton, &QPushButton::clicked, this, [this] {
        if (send())
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    setFolder(startFolder);
}

bool FileSelectDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Enter in the nick box neither sends nor closes the dialog.
    if (watched == nick_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void FileSelectDialog::setFolder(const QString& folder)
{
    if (folder.isEmpty() || !QDir(folder).exists())
        return;
    folder_ = folder.endsWith(u'/') ? folder : folder + u'/';
    const QModelIndex index = folders_->index(folder);
    if (index.isValid() && folderView_->currentIndex() != index) {
        folderView_->setCurrentIndex(index);
        folderView_->scrollTo(index);
    }
    listFiles();
}

void FileSelectDialog::listFiles()
{
    files_->clear();
    const QStringList masks = filter_->currentData().toString().split(u' ', Qt::SkipEmptyParts);
    const QDir dir(folder_);
    files_->addItems(dir.entryList(masks, QDir::Files, QDir::Name | QDir::IgnoreCase));
    showCount();
}

void FileSelectDialog::showCount()
{
    count_->setText(QString::number(files_->selectedItems().size()) +
                    QStringLiteral(" files selected."));
}

bool FileSelectDialog::send()
{
    const QString nick = nick_->text().trimmed();
    if (nick.isEmpty())
        return false;
    sends_.lastNick = nick;
    sends_.lastFolder = folder_;
    for (int i = 0; i < files_->count(); ++i) {
        if (files_->item(i)->isSelected())
            sends_.sendFile(nick, files_->item(i)->text(), folder_);
    }
    return true;
}
