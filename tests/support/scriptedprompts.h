#pragma once

#include "core/prompts.h"

#include <QList>
#include <QStringList>

#include <functional>

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

    QStringList warnings;
    QStringList questions;
    QList<bool> yesNoAnswers;
    std::function<void(bool)> pendingAnswer;
    QList<int> choiceAnswers;
    std::function<void(int)> pendingChoice;
};
