#pragma once

class QApplication;

namespace corvane::testing {

// The one QApplication of the test run (offscreen unless a display is asked for).
QApplication& TestApplication();

}  // namespace corvane::testing
