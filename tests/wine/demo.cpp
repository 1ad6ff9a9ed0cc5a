int RunDemonstration(const char*) { return 1; }
