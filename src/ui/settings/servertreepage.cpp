#include "ui/settings/servertreepage.h"

#include "client/client.h"
#include "settings/saslaccounts.h"
#include "ui/settings/networksettingsdialog.h"
#include "ui/settings/servertreewidget.h"
#include "ui/standardicons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

ServerTreePage::ServerTreePage(Client& client, QWidget* parent) : QWidget(parent), client_(client)
{
    setObjectName(QStringLiteral("serverpage"));
    auto* column = new QVBoxLayout(this);
    auto* toolbar = new QHBoxLayout;
    toolbar->setSpacing(2);
    column->addLayout(toolbar);

    QStyle* s = style();
    newFolder_ = addButton("connectbuttonnewfolder", QStringLiteral("Add New Folder"),
                           StandardIcons::icon(s, QStyle::SP_FileDialogNewFolder));
    newServer_ = addButton("connectbuttonnewserver", QStringLiteral("Add New Server"),
                           StandardIcons::icon(s, QStyle::SP_DriveNetIcon));
    edit_ = addButton("connectbuttoneditserver",
                      QStringLiteral("Edit Folder, Server Description or Server Data"),
                      StandardIcons::icon(s, QStyle::SP_FileDialogDetailedView));
    down_ = addButton("connectbuttondownserver", QStringLiteral("Move Folder or Server Down"),
                      StandardIcons::icon(s, QStyle::SP_ArrowDown));
    up_ = addButton("connectbuttonupserver", QStringLiteral("Move Server or Folder Up"),
                    StandardIcons::icon(s, QStyle::SP_ArrowUp));
    delete_ = addButton("connectbuttondeleteserver", QStringLiteral("Delete Server or Folder"),
                        StandardIcons::icon(s, QStyle::SP_TrashIcon));
    network_ = addButton("connectbuttonnetwork", QStringLiteral("Network Settings"),
                         StandardIcons::icon(s, QStyle::SP_FileDialogInfoView));
    QToolButton* clearRecent =
        addButton("ToolButton2", QStringLiteral("Clear Recently Used Server List"),
                  StandardIcons::icon(s, QStyle::SP_DialogResetButton));
    QToolButton* import = addButton("importbutton", QStringLiteral("Import settings"),
                                    StandardIcons::icon(s, QStyle::SP_DialogOpenButton));
    for (QToolButton* b :
         {newFolder_, newServer_, edit_, down_, up_, delete_, network_, clearRecent, import})
        toolbar->addWidget(b);
    toolbar->addStretch(1);

    tree_ = new ServerTreeWidget(client_.serverTree(), this);
    column->addWidget(tree_, 1);

    // The SASL login of the chosen server; kept in sasl.ini, never in the server list.
    auto* sasl = new QHBoxLayout;
    column->addLayout(sasl);
    saslLabel_ = new QLabel(this);
    saslLabel_->setObjectName(QStringLiteral("sasllabel"));
    saslAccount_ = new QLineEdit(this);
    saslAccount_->setObjectName(QStringLiteral("saslaccount"));
    saslAccount_->setAccessibleName(QStringLiteral("SASL account"));
    saslAccount_->setPlaceholderText(QStringLiteral("SASL account"));
    saslAccount_->setToolTip(QStringLiteral("SASL account"));
    saslPassword_ = new QLineEdit(this);
    saslPassword_->setObjectName(QStringLiteral("saslpassword"));
    saslPassword_->setAccessibleName(QStringLiteral("SASL password"));
    saslPassword_->setPlaceholderText(QStringLiteral("SASL password"));
    saslPassword_->setToolTip(QStringLiteral("SASL password"));
    saslPassword_->setEchoMode(QLineEdit::Password);
    saslSave_ = new QPushButton(QStringLiteral("Save"), this);
    saslSave_->setObjectName(QStringLiteral("saslsave"));
    saslSave_->setToolTip(QStringLiteral("Save the SASL account of this server"));
    sasl->addWidget(saslLabel_);
    sasl->addWidget(saslAccount_, 1);
    sasl->addWidget(saslPassword_, 1);
    sasl->addWidget(saslSave_);
    connect(saslSave_, &QPushButton::clicked, this, &ServerTreePage::saveSaslAccount);
    connect(saslAccount_, &QLineEdit::returnPressed, this, &ServerTreePage::saveSaslAccount);
    connect(saslPassword_, &QLineEdit::returnPressed, this, &ServerTreePage::saveSaslAccount);

    ServerTree& tree = client_.serverTree();
    connect(newFolder_, &QToolButton::clicked, this, [&tree] { tree.addFolder(); });
    connect(newServer_, &QToolButton::clicked, this, [&tree] { tree.addServer(); });
    connect(edit_, &QToolButton::clicked, tree_, &ServerTreeWidget::editSelected);
    connect(down_, &QToolButton::clicked, this, [&tree] { tree.moveDown(); });
    connect(up_, &QToolButton::clicked, this, [&tree] { tree.moveUp(); });
    connect(delete_, &QToolButton::clicked, this, [&tree] { tree.deleteSelected(); });
    connect(network_, &QToolButton::clicked, this, &ServerTreePage::openNetworkSettings);
    connect(clearRecent, &QToolButton::clicked, this, [this] { client_.recentServers().clear(); });
    connect(import, &QToolButton::clicked, this, &ServerTreePage::importRequested);
    connect(&tree, &ServerTree::changed, this, &ServerTreePage::updateButtons);
    connect(tree_, &ServerTreeWidget::connectRequested, this, &ServerTreePage::connectRequested);
    updateButtons();
}

QToolButton* ServerTreePage::addButton(const char* objectName, const QString& hint,
                                       const QIcon& icon)
{
    auto* button = new QToolButton(this);
    button->setObjectName(QLatin1String(objectName));
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setIcon(icon);
    button->setAutoRaise(true);
    return button;
}

void ServerTreePage::updateButtons()
{
    const ServerTreeButtons b = client_.serverTree().buttons();
    newFolder_->setEnabled(b.newFolder);
    newServer_->setEnabled(b.newServer);
    edit_->setEnabled(b.edit);
    down_->setEnabled(b.down);
    up_->setEnabled(b.up);
    delete_->setEnabled(b.remove);
    network_->setEnabled(ServerTree::networkOf(client_.serverTree().selected()) != nullptr);
    showSaslAccount();
}

NetworkSettingsDialog* ServerTreePage::openNetworkSettings()
{
    const ServerNode* network = ServerTree::networkOf(client_.serverTree().selected());
    if (!network)
        return nullptr;
    const QString name = network->text;
    NetworkSettingsFile file(client_.programFolder());
    if (!file.load()) {
        client_.addStatusLine(QStringLiteral("Can't read ") +
                              NetworkSettingsFile::fileName(client_.programFolder()));
        return nullptr;
    }
    auto* dialog = new NetworkSettingsDialog(name, file.settings(name), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog, name] {
        // Read again: shutdown may have kept channels in the file meanwhile.
        NetworkSettingsFile latest(client_.programFolder());
        if (latest.load()) {
            NetworkSettings edited = dialog->settings();
            edited.openChannels = latest.settings(name).openChannels;
            latest.setSettings(name, edited);
            if (latest.save())
                return;
        }
        client_.addStatusLine(QStringLiteral("Can't save the network settings in ") +
                              NetworkSettingsFile::fileName(client_.programFolder()));
    });
    dialog->open();
    return dialog;
}

void ServerTreePage::showSaslAccount()
{
    // A host or port line stands for its server.
    const ServerNode* node = client_.serverTree().selected();
    if (node && node->kind == ServerKind::ServerData)
        node = node->parent;
    const std::optional<ServerTarget> target = ServerTree::targetOf(node);
    const QString host = target ? target->host.trimmed() : QString();
    // Other edits of the tree leave what is being typed alone.
    if (saslShown_ && host == saslHost_)
        return;
    saslShown_ = true;
    saslHost_ = host;
    const bool server = !host.isEmpty();
    saslLabel_->setText(server ? QStringLiteral("SASL for ") + host + u':'
                               : QStringLiteral("SASL: choose a server"));
    const auto [account, password] = server ? SaslAccounts::lookup(client_.programFolder(), host)
                                            : std::pair<QString, QString>();
    saslAccount_->setText(account);
    saslPassword_->setText(password);
    for (QWidget* w : std::initializer_list<QWidget*>{saslAccount_, saslPassword_, saslSave_})
        w->setEnabled(server);
}

void ServerTreePage::saveSaslAccount()
{
    if (saslHost_.isEmpty())
        return;
    const QString account = saslAccount_->text().trimmed();
    const QString password = saslPassword_->text();
    const QString file = SaslAccounts::fileName(client_.programFolder());
    if (!SaslAccounts::store(client_.programFolder(), saslHost_, account, password)) {
        client_.addStatusLine(QStringLiteral("Can't save the SASL account in ") + file);
        return;
    }
    client_.addStatusLine(account.isEmpty() && password.isEmpty()
                              ? QStringLiteral("SASL account for ") + saslHost_ +
                                    QStringLiteral(" removed from ") + file
                              : QStringLiteral("SASL account for ") + saslHost_ +
                                    QStringLiteral(" saved in ") + file);
}
