#include "ui/dialogs/uiprompts.h"

#include "ui/dcc/dccprompts.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

void UiPrompts::warning(const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("QuorlIRC"), text,
                                QMessageBox::Ok, parent_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void UiPrompts::askYesNo(const QString& text, std::function<void(bool yes)> answer)
{
    auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("QuorlIRC"), text,
                                QMessageBox::Yes | QMessageBox::No, parent_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Closing the box any other way than Yes counts as No.
    QObject::connect(box, &QMessageBox::finished, box, [box, answer = std::move(answer)](int) {
        answer(box->clickedButton() == box->button(QMessageBox::Yes));
    });
    box->open();
}

void UiPrompts::askDccChat(const QString& nick, std::function<void(ChatRequestAnswer)> answer)
{
    auto* dialog = new ChatRequestDialog(nick, std::move(answer), parent_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void UiPrompts::askReceiveFile(const FileOfferQuestion& offer,
                               std::function<void(FileOfferAnswer)> answer)
{
    auto* dialog = new ReceiveFileDialog(offer, std::move(answer), parent_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void UiPrompts::askChoice(const QString& text, const QStringList& choices,
                          std::function<void(int choice)> answer)
{
    auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("QuorlIRC"), text,
                                QMessageBox::NoButton, parent_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QList<QAbstractButton*> buttons;
    for (const QString& choice : choices)
        buttons << box->addButton(choice, QMessageBox::AcceptRole);
    if (!buttons.isEmpty())
        box->setEscapeButton(buttons.last());
    // Closing the box without a button counts as no answer.
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, buttons, answer = std::move(answer)](int) {
                         answer(static_cast<int>(buttons.indexOf(box->clickedButton())));
                     });
    box->open();
}
