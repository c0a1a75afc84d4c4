#include "rules/launch.h"
