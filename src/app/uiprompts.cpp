#include "app/uiprompts.h"

#include <QMessageBox>

void UiPrompts::warning(const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("QuorlIRC"), text,
                                QMessageBox::Ok, parent_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
