#include "store/settings.h"

// The one record, zero-filled apart from the fields' own initial values.
SettingsRecord Settings;
