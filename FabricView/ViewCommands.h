// --diff, --json and --find: each reads its files checked, and writes its report
// to standard output and its trouble to standard error. Returns the exit status.
#pragma once

#include "ViewOptions.h"

int runViewCommand(const ViewOptions& options);
