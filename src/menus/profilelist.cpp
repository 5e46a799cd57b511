#include "menus/profilelist.h"

#include "core/requestlog.h"

void resetProfileListValue() { recordRequest("resetProfileListValue"); }
