#include "buildinfo.h"

const char buildDate[] = FABRICPROBE_BUILD_DATE;
