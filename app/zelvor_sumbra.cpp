// ZelvorSumbra: the desktop program of Zelvor Sumbra.
#include "ui/desktop/desktop_app.h"

int main(int argc, char **argv) { return zs::ui::RunDesktop(argc, argv); }
