#include "settings/startsequence.h"

#include <QtGlobal>

#include <exception>

void StepSequence::add(const QString& name, std::function<bool()> step)
{
    steps_.push_back({name, std::move(step)});
}

QStringList StepSequence::run()
{
    QStringList failed;
    for (const Step& step : steps_) {
        bool ok = false;
        try {
            ok = step.run();
        } catch (const std::exception& e) {
            qWarning("%s: %s", qPrintable(step.name), e.what());
        } catch (...) {
            qWarning("%s failed", qPrintable(step.name));
        }
        if (!ok)
            failed << step.name;
    }
    return failed;
}
