// zsumbra: the console front-end of Zelvor Sumbra.
#include <string>
#include <vector>

#include "ui/console/console_app.h"

int main(int argc, char **argv) {
  return zs::ui::RunConsole(std::vector<std::string>(argv + 1, argv + argc));
}
