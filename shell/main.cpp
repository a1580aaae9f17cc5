#include "shell/VeloApp.h"

int main(int argc, char** argv) { return velo::VeloMain(argc, argv); }
