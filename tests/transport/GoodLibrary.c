/* Loads cleanly; it is no HBA vendor library. */
int transportGoodLibrary(void) { return 1; }
