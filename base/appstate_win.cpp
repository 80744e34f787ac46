#include "base/appstate.h"

AppStateRecord AppState;

HINSTANCE program_instance() { return AppState.instance ? AppState.instance : GetModuleHandleW(nullptr); }
