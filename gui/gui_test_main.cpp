// The window tests: the message windows always, the program's windows once every layer they
// bind to is built.
#include <QApplication>

int RunWindowsTests(int argc, char** argv);
int RunProgramTests(int argc, char** argv);

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  int failed = RunWindowsTests(argc, argv);
#ifdef IMPCUST_GUI_PROGRAM_TESTS
  failed += RunProgramTests(argc, argv);
#endif
  return failed == 0 ? 0 : 1;
}
