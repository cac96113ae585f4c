// The program's entry: a thin main over the shell library.
#include "shell/app_main.h"

int main(int argc, char** argv) { return dv::Main(argc, argv); }
