// Compiled with the core library's include path only; it must fail to build.
#include <QtWidgets/QPushButton>

int probeWidgetInCore()
{
    QPushButton button;
    return button.isVisible() ? 1 : 0;
}
