// The windows offscreen; the notification dialog is answered in a real window end to end.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>

#include "fixtures/temp_dir.h"
#include "platform/settings_file.h"
#include "ui/cp1252.h"
#include "ui/main_window.h"
#include "ui/notify_dialog.h"

namespace corvane {
namespace {

void StartApplication() {
  static int argc = 1;
  static char name[] = "corvane_tests", *argv[] = {name, nullptr};
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);  // unless a display is asked for
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
}

// Past the limit the oldest lines go, also when more lines than the limit
// arrive between two repaints, and lines shown before must leave the view too.
TEST(WidgetsTest, LogListShowsEveryLineUpToItsLimitAndSelectsTheNewest) {
  StartApplication();
  const int limit = MainWindow::kMaxLogItems;
  for (int count : {3, limit + 3, 2 * limit + 5}) {
    MainWindow window;
    window.show();
    auto* list = window.findChild<QListView*>("lbLog");
    QStringList expected;
    for (int i = 0; i < count; ++i) {
      window.AddLogItem(std::to_string(i));
      expected << QString::number(i);
      if (i == limit / 2) QTest::qWait(MainWindow::kRepaintInterval * 3);
    }
    while (expected.size() > limit) expected.removeFirst();
    EXPECT_EQ(window.LogItems(), expected) << count;
    QTest::qWait(MainWindow::kRepaintInterval * 3);
    QStringList shown;
    for (int i = 0; i < list->model()->rowCount(); ++i)
      shown << list->model()->index(i, 0).data().toString();
    EXPECT_EQ(shown, expected) << count;
    EXPECT_EQ(list->currentIndex().row(), expected.size() - 1) << count;
  }
}

// Lines come faster than the display repaints; ticks and a click must still
// run inside the log calls.
TEST(WidgetsTest, EveryLogLineLetsPendingEventsRun) {
  StartApplication();
  MainWindow window;
  window.show();
  int ticks = 0, clicks = 0;
  window.on_tick = [&] { ++ticks; };
  window.on_exit_clicked = [&] { ++clicks; };
  window.SetTimerEnabled(true);
  // Lines come until the timer has ticked twice; the limit only keeps a
  // broken timer from holding the suite.
  QElapsedTimer clock;
  clock.start();
  for (int i = 0; (ticks < 2 || i <= 10) && clock.elapsed() < 30000; ++i) {
    if (i == 10) {
      QMetaObject::invokeMethod(window.findChild<QPushButton*>("cmdExit"), "click",
                                Qt::QueuedConnection);
    }
    window.AddLogItem("line");
    window.ProcessPendingEvents();  // as the log does after every line
    if (i == 10) {
      EXPECT_EQ(clicks, 1);
    }
  }
  window.SetTimerEnabled(false);
  EXPECT_GE(ticks, 2);
}

TEST(WidgetsTest, ControlsByNameAndPlaceTextsDecoded) {
  StartApplication();
  MainWindow window;
  ASSERT_TRUE(window.findChild<QLabel*>("lblmsgs"));
  ASSERT_TRUE(window.findChild<QTimer*>("Timer1"));
  EXPECT_EQ(window.findChild<QPushButton*>("cmdExit")->text(), "Exit");
  EXPECT_EQ(window.findChild<QTimer*>("Timer1")->interval(), 200);
  EXPECT_EQ(window.findChild<QLabel*>("banner")->pixmap().size(), QSize(460, 80));
  window.AddLogItem("second \x80");
  EXPECT_EQ(window.LogItems(), QStringList({QString::fromUtf8("second \u20ac")}));
  window.SetActivity("Processing \x93quoted\x94");  // Windows-1252 quotes
  EXPECT_EQ(window.findChild<QLabel*>("lblmsgs")->text(),
            QString::fromUtf8("Processing \u201cquoted\u201d"));
  window.SetTimerEnabled(true);
  EXPECT_TRUE(window.TimerEnabled());
  window.SetTimerEnabled(false);
  EXPECT_FALSE(window.TimerEnabled());
  if (const char* dir = std::getenv("CORVANE_SCREENSHOT_DIR")) {
    window.SetActivity("Processing data");
    QTest::qWait(MainWindow::kRepaintInterval * 3);  // the list shows its lines
    window.grab().save(QString(dir) + "/main-window.png");
  }
  // The notification: centred, its controls where the design puts them.
  testing::TempDir config;
  SettingsFile store(config.path());
  NotifyDialog notify(&window, store, "1|x");
  EXPECT_EQ(notify.size(), QSize(400, 159));
  window.CenterOnScreen();  // both on the screen's centre
  EXPECT_LE((notify.geometry().center() - window.frameGeometry().center()).manhattanLength(), 1);
  const std::tuple<const char*, const char*, QRect> controls[] = {
      {"lNotifyText", "I am notifying you...", {8, 11, 383, 107}},
      {"cbDontShow", "Don't show this message again", {8, 133, 203, 17}},
      {"bOk", "Close", {302, 127, 89, 28}}};
  for (const auto& [name, text, place] : controls) {
    const QWidget* control = notify.findChild<QWidget*>(name);
    ASSERT_TRUE(control) << name;
    EXPECT_EQ(control->property("text").toString(), text);
    EXPECT_EQ(control->geometry(), place);
  }
  std::string all;
  for (int b = 1; b < 256; ++b) {
    if (b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D) all += static_cast<char>(b);
  }
  EXPECT_EQ(ToCp1252(FromCp1252(all)), all);
  EXPECT_EQ(ToCp1252(QString::fromUtf8("\u0100")), "?");
}

}  // namespace
}  // namespace corvane
