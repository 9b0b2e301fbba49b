// The cost of one log line in the window (an item added, pending events
// processed) with 1,000, 10,000 and 100,000 lines logged before it. It should
// not grow with the list; past 32,767 lines every new one drops the oldest.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <string>

#include "ui/main_window.h"

namespace corvane {
namespace {

QApplication& Application() {
  static int argc = 1;
  static char name[] = "log_list_bench";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
}

const std::string kLine = "writing the pc record onto Handheld database";

// A shown window with lines lines logged and taken in by the view.
void LogLines(MainWindow& window, int64_t lines) {
  window.show();
  for (int64_t i = 0; i < lines; ++i) window.AddLogItem(kLine + std::to_string(i));
  QTest::qWait(MainWindow::kRepaintInterval * 4);
}

// One line an iteration after lines lines. As fast as they come, the view
// catches up once a frame; one line a frame, every line is shown, selected
// and painted, and as the waiting costs no CPU, the CPU column is the cost
// of showing one line.
void LogLine(benchmark::State& state, bool one_a_frame) {
  Application();
  MainWindow window;
  LogLines(window, state.range(0));
  for (auto _ : state) {
    window.AddLogItem(kLine);
    window.ProcessPendingEvents();
    if (one_a_frame) QTest::qWait(MainWindow::kRepaintInterval + 4);
  }
  state.counters["items_after"] = window.LogItems().size();
}
void BM_LogLine(benchmark::State& state) {
  LogLine(state, false);
}
void BM_LogLineShown(benchmark::State& state) {
  LogLine(state, true);
}

// 30,000 lines per run keep the smaller lists below the 32,767-line cap.
BENCHMARK(BM_LogLine)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(30000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LogLineShown)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(100)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace corvane

BENCHMARK_MAIN();
