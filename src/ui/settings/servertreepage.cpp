#include "ui/settings/servertreepage.h"

#include "client/client.h"
#include "ui/settings/servertreewidget.h"

#include <QHBoxLayout>
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
                           s->standardIcon(QStyle::SP_FileDialogNewFolder));
    newServer_ = addButton("connectbuttonnewserver", QStringLiteral("Add New Server"),
                           s->standardIcon(QStyle::SP_DriveNetIcon));
    edit_ = addButton("connectbuttoneditserver",
                      QStringLiteral("Edit Folder, Server Description or Server Data"),
                      s->standardIcon(QStyle::SP_FileDialogDetailedView));
    down_ = addButton("connectbuttondownserver", QStringLiteral("Move Folder or Server Down"),
                      s->standardIcon(QStyle::SP_ArrowDown));
    up_ = addButton("connectbuttonupserver", QStringLiteral("Move Server or Folder Up"),
                    s->standardIcon(QStyle::SP_ArrowUp));
    delete_ = addButton("connectbuttondeleteserver", QStringLiteral("Delete Server or Folder"),
                        s->standardIcon(QStyle::SP_TrashIcon));
    QToolButton* clearRecent =
        addButton("ToolButton2", QStringLiteral("Clear Recently Used Server List"),
                  s->standardIcon(QStyle::SP_DialogResetButton));
    QToolButton* import = addButton("importbutton", QStringLiteral("Import settings"),
                                    s->standardIcon(QStyle::SP_DialogOpenButton));
    for (QToolButton* b : {newFolder_, newServer_, edit_, down_, up_, delete_, clearRecent, import})
        toolbar->addWidget(b);
    toolbar->addStretch(1);

    tree_ = new ServerTreeWidget(client_.serverTree(), this);
    column->addWidget(tree_, 1);

    ServerTree& tree = client_.serverTree();
    connect(newFolder_, &QToolButton::clicked, this, [&tree] { tree.addFolder(); });
    connect(newServer_, &QToolButton::clicked, this, [&tree] { tree.addServer(); });
    connect(edit_, &QToolButton::clicked, tree_, &ServerTreeWidget::editSelected);
    connect(down_, &QToolButton::clicked, this, [&tree] { tree.moveDown(); });
    connect(up_, &QToolButton::clicked, this, [&tree] { tree.moveUp(); });
    connect(delete_, &QToolButton::clicked, this, [&tree] { tree.deleteSelected(); });
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
}
