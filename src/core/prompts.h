#pragma once

#include <QString>

// Where the core needs a person: the UI answers with dialogs, tests with scripted
// answers. Answers that need a choice arrive through callbacks, so the core never waits.
class Prompts
{
public:
    virtual ~Prompts() = default;
    virtual void warning(const QString& text) = 0;
};
