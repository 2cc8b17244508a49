#include "ui/dialogs/smalldialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

SmallDialog::SmallDialog(const QString& objectName, const QString& caption, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose);
    layout_ = new QVBoxLayout(this);
    buttons_ = new QHBoxLayout;
    buttons_->addStretch(1);
    layout_->addLayout(buttons_);
}

void SmallDialog::addContent(QWidget* widget)
{
    layout_->insertWidget(layout_->count() - 1, widget);
}

QPushButton* SmallDialog::addButton(const QString& caption, const QString& objectName)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(objectName);
    // A dialog's push buttons would otherwise take Enter from the edit box.
    button->setAutoDefault(false);
    button->setDefault(false);
    buttons_->addWidget(button);
    return button;
}
