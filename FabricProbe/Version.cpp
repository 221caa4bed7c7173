#include "Version.h"

#include <cstdio>

#include "naTrace.h"

void displayFabricProbeVersion() {
    static const char fn[] = "displayFabricProbeVersion()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    std::fputs("5.1.1.14\n", stdout);
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
}
