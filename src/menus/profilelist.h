#pragma once
// State of the profile list of the front-end dialogs that other modules reset. Until the
// dialogs are built, the operation records its call (core/requestlog.h).

// Sets the list's remembered state value back to 0 ("resetProfileListValue").
void resetProfileListValue();
