#pragma once

#include <QString>

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
};
