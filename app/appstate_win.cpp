#include "app/appstate.h"

AppStateRecord AppState;
