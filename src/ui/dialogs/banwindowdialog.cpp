#include "ui/dialogs/banwindowdialog.h"

#include <QListWidget>
#include <QPushButton>

BanWindowDialog::BanWindowDialog(const QString& channel, const QStringList& masks, QWidget* parent)
    : SmallDialog(QStringLiteral("banwindow"), QStringLiteral("Ban List for ") + channel, parent)
{
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("banlist"));
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->addItems(masks);
    addContent(list_);
    connect(addButton(QStringLiteral("UnBan"), QStringLiteral("unbanbutton")),
            &QPushButton::clicked, this, [this] {
                QStringList chosen;
                for (int row = 0; row < list_->count(); ++row) {
                    if (list_->item(row)->isSelected())
                        chosen << list_->item(row)->text();
                }
                Q_EMIT unbanChosen(chosen);
                accept();
            });
    connect(addButton(QStringLiteral("Close"), QStringLiteral("closebutton")),
            &QPushButton::clicked, this, &QDialog::reject);
    resize(380, 300);
}
