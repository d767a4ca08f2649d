// Entry on hosts other than Windows: the shell has already split the command line.
#include "cli/program.h"

int main(int argc, char** argv) {
    return RunProgram(argc, argv);
}
