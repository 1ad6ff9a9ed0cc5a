// A console program with no work of its own, built and linked as
// npzqk-host.exe is: what starting and ending any program of this build costs.
int main(void) { return 0; }
