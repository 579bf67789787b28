// The desktop program Morvane v2.
#include "ui/Startup.h"

int main(int argc, char **argv) { return morvane::ui::RunProgram(argc, argv); }
