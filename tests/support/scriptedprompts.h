#pragma once

#include "core/prompts.h"

#include <QStringList>

// Prompts for tests: records every question so a test can check what a person was asked.
class ScriptedPrompts : public Prompts
{
public:
    void warning(const QString& text) override { warnings << text; }
    QStringList warnings;
};
