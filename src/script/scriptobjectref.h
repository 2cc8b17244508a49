#pragma once

#include <QString>

// What the event hook needs to know of one loaded script object to decide whether it
// reacts to an event. The behaviour runner finds the whole object again by its index.
struct ScriptObjectRef
{
    int index = -1;  // position in the object list
    QString type;    // type keyword, "channelautogreet" and so on
    QString channel; // the channel it serves, or "all"
    QString network; // the network it serves; empty for every network
};

// The loaded script objects, in list order.
class ScriptObjectList
{
public:
    virtual ~ScriptObjectList() = default;
    virtual int count() const = 0;
    virtual ScriptObjectRef at(int index) const = 0;
};
