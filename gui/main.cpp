// The desktop program impcust.
#include <QApplication>
#include <cstdlib>

#include "gui/program.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // The program takes no parameters; IMPCUST_STARTUP_PROBE only serves start-up timing.
  if (std::getenv("IMPCUST_STARTUP_PROBE") != nullptr) gui::EnableStartupProbe();
  return gui::RunProgram();
}
