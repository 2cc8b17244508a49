#pragma once

#include <QObject>

#include <functional>
#include <vector>

// Several Qt Test classes share one executable per folder; each registers itself with
// QUORL_TEST and the shared main() runs them all.
namespace TestRegistry {
using Factory = std::function<QObject*()>;
int add(const char* name, Factory factory);
} // namespace TestRegistry

#define QUORL_TEST(Class)                                                                          \
    static const int quorlTestRegistered_##Class =                                                 \
        TestRegistry::add(#Class, [] { return static_cast<QObject*>(new Class); });
