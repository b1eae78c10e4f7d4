// The program: the IDE's main block (shell/kyapp.h).
#include "shell/kyapp.h"

int main(int argc, char** argv) { return kyvor::RunKyvorIde(argc, argv); }
