#include "menus/profilelist.h"

#include "app/core/requestlog.h"

void resetProfileListValue() { recordRequest("resetProfileListValue"); }
