// Placeholder until HBA access lands.
#include "HbaAccess.h"

int initialize() { return 1; }
int getNumberOfAdapters() { return 0; }
HbaHandle openOrFilterAdapter(int, std::vector<Wwn>&, int& status) { status = 1; return 0; }
void finalize() {}
void closeAdapter(HbaHandle) {}
int checkHBAConfig(const char*) { return -1; }
