#include "ui/dialogs/chanpworddialog.h"

#include <QLineEdit>
#include <QPushButton>

ChanPwordDialog::ChanPwordDialog(const QString& channel, const QString& currentKey, QWidget* parent)
    : SmallDialog(QStringLiteral("chanpword"), QStringLiteral("Enter Password for ") + channel,
                  parent)
{
    edit_ = new QLineEdit(currentKey, this);
    edit_->setObjectName(QStringLiteral("passwordedit"));
    addContent(edit_);
    connect(addButton(QStringLiteral("Okay"), QStringLiteral("okaybutton")), &QPushButton::clicked,
            this, [this] {
                Q_EMIT keyChosen(edit_->text().trimmed());
                accept();
            });
    connect(addButton(QStringLiteral("No Password Required"), QStringLiteral("nopasswordbutton")),
            &QPushButton::clicked, this, [this] {
                Q_EMIT keyRemoved();
                accept();
            });
    connect(addButton(QStringLiteral("Cancel"), QStringLiteral("cancelbutton")),
            &QPushButton::clicked, this, &QDialog::reject);
}
