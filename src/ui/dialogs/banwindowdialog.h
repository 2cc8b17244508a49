#pragma once

#include "ui/dialogs/smalldialog.h"

#include <QStringList>

class QListWidget;

// The bans of a channel (banwindow): the masks in reply order, several may be chosen.
class BanWindowDialog : public SmallDialog
{
    Q_OBJECT
public:
    BanWindowDialog(const QString& channel, const QStringList& masks, QWidget* parent = nullptr);

    QListWidget* list() const { return list_; }

Q_SIGNALS:
    // "UnBan": the chosen masks, in list order.
    void unbanChosen(const QStringList& masks);

private:
    QListWidget* list_;
};
