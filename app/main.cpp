// The program: the IDE's main block (shell/mainwin/startup.h).
#include "shell/mainwin/startup.h"

int main(int argc, char** argv) { return kyvor::RunKyvorIde(argc, argv); }
