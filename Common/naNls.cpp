// Placeholder until the message catalog lands.
#include "naNls.h"

int naInitNls(const std::string&, const std::string&, const std::string&, const std::string&) { return 0; }
int naEndNls() { return 0; }
