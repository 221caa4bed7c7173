// Placeholder until the run control lands.
int main() { return 0; }
