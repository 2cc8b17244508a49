#pragma once

#include "core/prompts.h"

class QWidget;

// The core's questions, asked with dialogs that never block the event loop.
class UiPrompts : public Prompts
{
public:
    explicit UiPrompts(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void warning(const QString& text) override;
    void askYesNo(const QString& text, std::function<void(bool yes)> answer) override;
    void askDccChat(const QString& nick, std::function<void(ChatRequestAnswer)> answer) override;
    void askReceiveFile(const FileOfferQuestion& offer,
                        std::function<void(FileOfferAnswer)> answer) override;
    void askChoice(const QString& text, const QStringList& choices,
                   std::function<void(int choice)> answer) override;

private:
    QWidget* parent_;
};
