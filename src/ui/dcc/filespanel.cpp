#include "ui/dcc/filespanel.h"

#include "client/client.h"
#include "ui/dcc/fileselectdialog.h"
#include "ui/dcc/transferlistview.h"
#include "ui/flowlayout.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

FilesPanel::FilesPanel(Client& client, QWidget* parent) : QWidget(parent), client_(client)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    DccService& dcc = client_.dcc();

    auto* outBar = new QWidget(this);
    new FlowLayout(outBar);
    outBar->layout()->setContentsMargins(0, 0, 0, 0);
    column->addWidget(outBar);
    connect(addButton(outBar, QStringLiteral("ToolButton6"), QStringLiteral("Send a File")),
            &QToolButton::clicked, this, [this] { openSendDialog(); });
    connect(addButton(outBar, QStringLiteral("ToolButton28"),
                      QStringLiteral("Remove a File Transfer Task from List Below")),
            &QToolButton::clicked, this,
            [this, &dcc] { dcc.sends().removeRows(outbound_->selectedRowIds()); });
    connect(addButton(outBar, QStringLiteral("ToolButton11"),
                      QStringLiteral("Remove All Dead File Transfers")),
            &QToolButton::clicked, this, [&dcc] { dcc.sends().removeDeadRows(); });
    outbound_ = new TransferListView(dcc.sends().list(),
                                     {QStringLiteral("Destination"), QStringLiteral("File Name"),
                                      QStringLiteral("Completed"), QStringLiteral("Size"),
                                      QStringLiteral("Sent"), QStringLiteral("K/sec."),
                                      QStringLiteral("Status")},
                                     this);
    outbound_->setObjectName(QStringLiteral("outboundfilelist"));
    column->addWidget(outbound_, 1);

    auto* inBar = new QWidget(this);
    new FlowLayout(inBar);
    inBar->layout()->setContentsMargins(0, 0, 0, 0);
    column->addWidget(inBar);
    connect(addButton(inBar, QStringLiteral("ToolButton45"),
                      QStringLiteral("Remove a File Transfer Task from List Below")),
            &QToolButton::clicked, this,
            [this, &dcc] { dcc.receives().removeRows(inbound_->selectedRowIds()); });
    connect(addButton(inBar, QStringLiteral("ToolButton47"),
                      QStringLiteral("Remove All Dead File Transfers")),
            &QToolButton::clicked, this, [&dcc] { dcc.receives().removeDeadRows(); });
    connect(addButton(inBar, QStringLiteral("ToolButton80"), QStringLiteral("Open Selected File")),
            &QToolButton::clicked, this, &FilesPanel::openSelectedFile);
    connect(
        addButton(inBar, QStringLiteral("ToolButton82"), QStringLiteral("Show Filter Settings")),
        &QToolButton::clicked, this,
        [this] { filterPanel_->setVisible(!filterPanel_->isVisible()); });
    inbound_ = new TransferListView(dcc.receives().list(),
                                    {QStringLiteral("From"), QStringLiteral("FileName"),
                                     QStringLiteral("Completed"), QStringLiteral("Size"),
                                     QStringLiteral("Received"), QStringLiteral("K/sec."),
                                     QStringLiteral("Status")},
                                    this);
    inbound_->setObjectName(QStringLiteral("inboundfilelist"));
    column->addWidget(inbound_, 1);
    connect(inbound_, &QTreeWidget::itemDoubleClicked, this, &FilesPanel::openSelectedFile);

    filterPanel_ = new QWidget(this);
    auto* filterColumn = new QVBoxLayout(filterPanel_);
    filterColumn->setContentsMargins(0, 0, 0, 0);
    filterColumn->addWidget(new QLabel(
        QStringLiteral("File filters: one a line, a mask such as *.wav, a blank, a folder"),
        filterPanel_));
    filterlist_ = new QPlainTextEdit(filterPanel_);
    filterlist_->setObjectName(QStringLiteral("filterlist"));
    filterlist_->setMaximumHeight(90);
    filterColumn->addWidget(filterlist_);
    connect(filterlist_, &QPlainTextEdit::textChanged, this,
            [this] { client_.options().dcc.filters = filterlist_->toPlainText().split(u'\n'); });
    filterPanel_->hide();
    column->addWidget(filterPanel_);
}

QToolButton* FilesPanel::addButton(QWidget* bar, const QString& name, const QString& text)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(text);
    bar->layout()->addWidget(button);
    return button;
}

void FilesPanel::loadFilters()
{
    const QSignalBlocker quiet(filterlist_);
    filterlist_->setPlainText(client_.options().dcc.filters.join(u'\n'));
}

void FilesPanel::openSendDialog(const QString& nick)
{
    FileSends& sends = client_.dcc().sends();
    const QString start =
        sends.lastFolder.isEmpty() ? client_.dcc().context().receiveFolder : sends.lastFolder;
    auto* dialog =
        new FileSelectDialog(sends, start, nick.isEmpty() ? sends.lastNick : nick, window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void FilesPanel::openSelectedFile()
{
    const QString path = client_.dcc().receives().openablePath(inbound_->selectedRowIds());
    if (!path.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

DccChatPanel::DccChatPanel(Client& client, QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(QStringLiteral("Nickname:"), this));
    auto* nick = new QLineEdit(this);
    nick->setObjectName(QStringLiteral("Edit19"));
    nick->setAccessibleName(QStringLiteral("Nickname"));
    row->addWidget(nick);
    auto* doButton = new QPushButton(QStringLiteral("Do"), this);
    doButton->setObjectName(QStringLiteral("Button14"));
    row->addWidget(doButton);
    row->addStretch(1);
    const auto offer = [&client, nick] {
        const QString name = nick->text().trimmed();
        if (!name.isEmpty())
            client.dcc().chats().offerDccChat(name);
    };
    connect(doButton, &QPushButton::clicked, this, offer);
    connect(nick, &QLineEdit::returnPressed, this, offer);
}
