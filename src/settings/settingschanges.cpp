#include "settings/settingschanges.h"

void SettingsChanges::announceAll()
{
    for (int group = int(OptionGroup::User); group <= int(OptionGroup::Servers); ++group)
        Q_EMIT changed(OptionGroup(group));
}
