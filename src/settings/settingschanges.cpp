#include "settings/settingschanges.h"

void SettingsChanges::announceAll()
{
    for (int group = int(OptionGroup::User); group <= int(OptionGroup::History); ++group)
        Q_EMIT changed(OptionGroup(group));
}
