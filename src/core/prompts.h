#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Where the core needs a person: the UI answers with dialogs, tests with scripted
// answers. Answers that need a choice arrive through callbacks, so the core never waits.
class Prompts
{
public:
    virtual ~Prompts() = default;
    virtual void warning(const QString& text) = 0;
    // A question with Yes and No; the answer arrives later, true for Yes.
    virtual void askYesNo(const QString& text, std::function<void(bool yes)> answer) = 0;
    // A question with several answers; the index of the one chosen arrives later, -1 when
    // the question was closed without an answer.
    virtual void askChoice(const QString& text, const QStringList& choices,
                           std::function<void(int choice)> answer) = 0;
};
