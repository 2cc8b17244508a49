#pragma once

#include "core/prompts.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <utility>

// Prompts for tests: records every question so a test can check what a person was asked.
class ScriptedPrompts : public Prompts
{
public:
    void warning(const QString& text) override { warnings << text; }

    // Answered at once from yesNoAnswers while it has any; otherwise the question waits
    // in pendingAnswer until the test answers it.
    void askYesNo(const QString& text, std::function<void(bool yes)> answer) override
    {
        questions << text;
        if (!yesNoAnswers.isEmpty())
            answer(yesNoAnswers.takeFirst());
        else
            pendingAnswer = std::move(answer);
    }
    // Answered at once from choiceAnswers while it has any; otherwise it waits in
    // pendingChoice.
    void askChoice(const QString& text, const QStringList&,
                   std::function<void(int choice)> answer) override
    {
        questions << text;
        if (!choiceAnswers.isEmpty())
            answer(choiceAnswers.takeFirst());
        else
            pendingChoice = std::move(answer);
    }
    bool answerPending(bool yes)
    {
        if (!pendingAnswer)
            return false;
        auto answer = std::move(pendingAnswer);
        pendingAnswer = nullptr;
        answer(yes);
        return true;
    }

    // DCC offers: answered at once from the queued answers, else kept until the test
    // answers them with answerChat or answerFile.
    void askDccChat(const QString& nick, std::function<void(ChatRequestAnswer)> answer) override
    {
        chatRequests << nick;
        if (!chatAnswers.isEmpty())
            answer(chatAnswers.takeFirst());
        else
            pendingChat = std::move(answer);
    }
    void askReceiveFile(const FileOfferQuestion& offer,
                        std::function<void(FileOfferAnswer)> answer) override
    {
        fileOffers << offer;
        if (!fileAnswers.isEmpty())
            answer(fileAnswers.takeFirst());
        else
            pendingFile = std::move(answer);
    }
    bool answerChat(ChatRequestAnswer a)
    {
        if (!pendingChat)
            return false;
        auto answer = std::exchange(pendingChat, nullptr);
        answer(a);
        return true;
    }
    bool answerFile(const FileOfferAnswer& a)
    {
        if (!pendingFile)
            return false;
        auto answer = std::exchange(pendingFile, nullptr);
        answer(a);
        return true;
    }

    QStringList chatRequests;
    QList<ChatRequestAnswer> chatAnswers;
    std::function<void(ChatRequestAnswer)> pendingChat;
    QList<FileOfferQuestion> fileOffers;
    QList<FileOfferAnswer> fileAnswers;
    std::function<void(FileOfferAnswer)> pendingFile;

    QStringList warnings;
    QStringList questions;
    QList<bool> yesNoAnswers;
    std::function<void(bool)> pendingAnswer;
    QList<int> choiceAnswers;
    std::function<void(int)> pendingChoice;
};
