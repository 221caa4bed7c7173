// Placeholder until the activity log lands.
#include "naMessages.h"

void naLogMessage(const CatalogMessage&, ...) {}
