#include "ui/dcc/dccprompts.h"

#include "dcc/filereceive.h"
#include "ui/dcc/bytesize.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

QPushButton* addButton(QHBoxLayout* row, const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}

} // namespace

ChatRequestDialog::ChatRequestDialog(const QString& nick,
                                     std::function<void(ChatRequestAnswer)> reply, QWidget* parent)
    : QDialog(parent), answer_(std::move(reply))
{
    setObjectName(QStringLiteral("chatrequestform"));
    setWindowTitle(QStringLiteral("DCC Chat Request"));
    auto* column = new QVBoxLayout(this);
    column->addWidget(new QLabel(nick + QStringLiteral(" has requested a DCC Chat"), this));
    auto* row = new QHBoxLayout;
    column->addLayout(row);
    connect(addButton(row, QStringLiteral("Accept"), this), &QPushButton::clicked, this,
            [this] { answer(ChatRequestAnswer::Accept); });
    connect(addButton(row, QStringLiteral("Reject"), this), &QPushButton::clicked, this,
            [this] { answer(ChatRequestAnswer::Reject); });
    connect(addButton(row, QStringLiteral("Ignore this User"), this), &QPushButton::clicked, this,
            [this] { answer(ChatRequestAnswer::IgnoreUser); });
}

ChatRequestDialog::~ChatRequestDialog()
{
    // Closed without an answer: the offer is turned down, and the queue moves on.
    if (auto callback = std::exchange(answer_, nullptr))
        callback(ChatRequestAnswer::Reject);
}

void ChatRequestDialog::answer(ChatRequestAnswer choice)
{
    if (auto callback = std::exchange(answer_, nullptr))
        callback(choice);
    close();
}

ReceiveFileDialog::ReceiveFileDialog(const FileOfferQuestion& offer,
                                     std::function<void(FileOfferAnswer)> reply, QWidget* parent)
    : QDialog(parent), offer_(offer), answer_(std::move(reply))
{
    setObjectName(QStringLiteral("receivefileform"));
    setWindowTitle(QStringLiteral("Receiving File"));
    resize(460, 420);
    auto* column = new QVBoxLayout(this);
    column->addWidget(new QLabel(offer.nick + QStringLiteral(" wants to send you"), this));
    column->addWidget(new QLabel(QStringLiteral("Filename: ") + offer.fileName, this));
    column->addWidget(new QLabel(QStringLiteral("Size: ") + ByteSize::bothWays(offer.size), this));
    if (offer.theme)
        column->addWidget(new QLabel(
            QStringLiteral("This is a Theme file and should be placed in the 'Themes' folder."),
            this));
    column->addWidget(new QLabel(QStringLiteral("Save Location"), this));
    folders_ = new QFileSystemModel(this);
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    folders_->setRootPath(QDir::rootPath());
    folderView_ = new QTreeView(this);
    folderView_->setModel(folders_);
    for (int c = 1; c < folders_->columnCount(); ++c)
        folderView_->hideColumn(c);
    folderView_->header()->hide();
    column->addWidget(folderView_, 1);
    location_ = new QLabel(this);
    column->addWidget(location_);
    connect(folderView_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& index) { setFolder(folders_->filePath(index)); });
    // The folders are read in the background: as each one on the way to the save folder
    // is read, the tree opens further, until the save folder shows, selected.
    connect(folders_, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        if ((folder_ + u'/').startsWith(QDir::cleanPath(loaded) + u'/') ||
            loaded == QDir::rootPath())
            showFolder();
    });

    auto* row = new QHBoxLayout;
    column->addLayout(row);
    connect(addButton(row, QStringLiteral("Accept"), this), &QPushButton::clicked, this,
            [this] { answer(FileOfferChoice::Accept); });
    resume_ = addButton(row, QStringLiteral("Resume"), this);
    resume_->setObjectName(QStringLiteral("resumebutton"));
    connect(resume_, &QPushButton::clicked, this, [this] { answer(FileOfferChoice::Resume); });
    connect(addButton(row, QStringLiteral("Reject"), this), &QPushButton::clicked, this,
            [this] { answer(FileOfferChoice::Reject); });
    connect(addButton(row, QStringLiteral("Ignore"), this), &QPushButton::clicked, this,
            [this] { answer(FileOfferChoice::IgnoreUser); });
    setFolder(offer.folder);
}

ReceiveFileDialog::~ReceiveFileDialog()
{
    if (auto callback = std::exchange(answer_, nullptr))
        callback(FileOfferAnswer{FileOfferChoice::Reject, folder_});
}

void ReceiveFileDialog::setFolder(const QString& folder)
{
    if (!QDir(folder).exists())
        return;
    folder_ = folder.endsWith(u'/') ? folder : folder + u'/';
    location_->setText(folder_);
    showFolder();
    const qint64 existing = FileReceives::resumableSize(folder_, offer_.fileName, offer_.size);
    resume_->setEnabled(existing > 0);
    resume_->setText(existing > 0 ? QStringLiteral("Resume from ") + QString::number(existing) +
                                        QStringLiteral(" bytes.")
                                  : QStringLiteral("Resume"));
}

void ReceiveFileDialog::showFolder()
{
    const QModelIndex index = folders_->index(QDir::cleanPath(folder_));
    if (!index.isValid())
        return;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        folderView_->expand(parent);
    if (folderView_->currentIndex() != index)
        folderView_->setCurrentIndex(index);
    folderView_->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void ReceiveFileDialog::answer(FileOfferChoice choice)
{
    if (auto callback = std::exchange(answer_, nullptr))
        callback(FileOfferAnswer{choice, folder_});
    close();
}
