#include "ui/chat/accessibleinterfaces.h"

#include "ui/chat/accessiblechatview.h"
#include "ui/chat/accessiblepicker.h"
#include "ui/chat/chatview.h"
#include "ui/chat/pickerpanel.h"

namespace {
QAccessibleInterface* accessibleFor(const QString& className, QObject* object)
{
    if (className == QLatin1String("ChatView"))
        return new AccessibleChatView(static_cast<ChatView*>(object));
    if (className == QLatin1String("PickerPanel"))
        return new AccessiblePicker(static_cast<PickerPanel*>(object));
    return nullptr;
}
} // namespace

void installAccessibleInterfaces()
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFor);
        return true;
    }();
    Q_UNUSED(installed);
}
