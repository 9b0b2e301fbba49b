#include "ui/qt_application.h"

#include <QApplication>
#include <cstdlib>

namespace corvane::testing {

QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "corvane_tests";
  static char* argv[] = {name, nullptr};
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

}  // namespace corvane::testing
