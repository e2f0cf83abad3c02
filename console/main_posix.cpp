#include "run.h"

// Names are the bytes the file system takes, printed as they are.
int main(int argc, char** argv) { return run_console(argc, argv, argv); }
