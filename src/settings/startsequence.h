#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// The captions the client shows for itself.
namespace Product {
inline QString applicationTitle()
{
    return QStringLiteral("QuorlIRC 2.00");
}
inline QString mainCaption()
{
    return QStringLiteral("QuorlIRC v2.00");
}
inline QString welcome()
{
    return QStringLiteral("Welcome to QuorlIRC!");
}
} // namespace Product

// Steps that run in order, each whatever became of the ones before: a settings file
// that cannot be read must not leave the window unplaced or the pages unfilled.
class StepSequence
{
public:
    // A step returns false, or throws, when it failed.
    void add(const QString& name, std::function<bool()> step);
    // Runs every step once, in order. Returns the names of the steps that failed.
    QStringList run();

private:
    struct Step
    {
        QString name;
        std::function<bool()> run;
    };
    std::vector<Step> steps_;
};
