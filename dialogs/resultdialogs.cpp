#include "dialogs/resultdialogs.h"
