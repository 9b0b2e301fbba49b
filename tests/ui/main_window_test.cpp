#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdlib>

#include "ui/cp1252.h"
#include "ui/qt_application.h"

namespace corvane {
namespace {

TEST(MainWindowTest, ElementsByNameWithTheirCaptions) {
  testing::TestApplication();
  MainWindow window;
  EXPECT_EQ(window.windowTitle(), "Corvane Conduit");
  EXPECT_EQ(window.palette().color(QPalette::Window), QColor(Qt::white));
  auto* exit = window.findChild<QPushButton*>("cmdExit");
  auto* label = window.findChild<QLabel*>("lblmsgs");
  auto* list = window.findChild<QListView*>("lbLog");
  auto* timer = window.findChild<QTimer*>("Timer1");
  auto* banner = window.findChild<QLabel*>("banner");
  ASSERT_TRUE(exit && label && list && timer && banner);
  EXPECT_EQ(exit->text(), "Exit");
  EXPECT_EQ(timer->interval(), 200);
  EXPECT_FALSE(timer->isActive());
  EXPECT_FALSE(banner->pixmap().isNull());
  // Top to bottom: banner, label, Exit, log list.
  window.show();
  EXPECT_LT(banner->geometry().top(), label->geometry().top());
  EXPECT_LT(label->geometry().top(), exit->geometry().top());
  EXPECT_LT(exit->geometry().top(), list->geometry().top());

  window.SetActivity("Stage \x80 1");  // Windows-1252 euro sign
  EXPECT_EQ(label->text(), QString::fromUtf8("Stage \u20ac 1"));
  window.AddLogItem("first");
  window.AddLogItem("second \x80");
  EXPECT_EQ(window.LogItems(), QStringList({"first", QString::fromUtf8("second \u20ac")}));
  window.SetTimerEnabled(true);
  EXPECT_TRUE(window.TimerEnabled());
  window.SetTimerEnabled(false);

  if (const char* dir = std::getenv("CORVANE_SCREENSHOT_DIR")) {
    window.SetActivity("Processing data");
    QTest::qWait(MainWindow::kRepaintInterval * 3);  // the list shows its lines
    window.grab().save(QString(dir) + "/main-window.png");
  }
}

// The list as the view shows it once the window has caught up.
QStringList Shown(const QListView& list) {
  QStringList rows;
  for (int i = 0; i < list.model()->rowCount(); ++i) {
    rows << list.model()->index(i, 0).data().toString();
  }
  return rows;
}

TEST(MainWindowTest, LogListShowsEveryLineAndSelectsTheNewest) {
  testing::TestApplication();
  // Past the limit the oldest lines go, also when more lines than the
  // limit arrive between two repaints.
  const int limit = MainWindow::kMaxLogItems;
  for (int count : {1, 3, 1000, limit, limit + 3, 2 * limit + 5}) {
    SCOPED_TRACE(count);
    MainWindow window;
    window.show();
    auto* list = window.findChild<QListView*>("lbLog");
    QStringList expected;
    for (int i = 0; i < count; ++i) {
      window.AddLogItem(std::to_string(i));
      expected << QString::number(i);
      // Lines shown before the limit is reached must leave the view too.
      if (i == limit / 2) QTest::qWait(MainWindow::kRepaintInterval * 3);
    }
    while (expected.size() > limit) expected.removeFirst();
    EXPECT_EQ(window.LogItems(), expected);
    QTest::qWait(MainWindow::kRepaintInterval * 3);
    EXPECT_EQ(Shown(*list), expected);
    EXPECT_EQ(list->currentIndex().row(), expected.size() - 1);
  }
}

TEST(MainWindowTest, EveryLogLineLetsPendingEventsRun) {
  testing::TestApplication();
  MainWindow window;
  window.show();
  int ticks = 0;
  window.on_tick = [&] { ++ticks; };
  window.SetTimerEnabled(true);
  int clicks = 0;
  window.on_exit_clicked = [&] { ++clicks; };
  auto* exit = window.findChild<QPushButton*>("cmdExit");
  QElapsedTimer clock;
  clock.start();
  // Lines come faster than the display repaints; ticks and a click must
  // still run inside the log calls.
  for (int i = 0; clock.elapsed() < 3 * MainWindow::kTimerInterval; ++i) {
    if (i == 10) QMetaObject::invokeMethod(exit, "click", Qt::QueuedConnection);
    window.AddLogItem("line");
    window.ProcessPendingEvents();
    if (i == 10) {
      EXPECT_EQ(clicks, 1);
    }
  }
  window.SetTimerEnabled(false);
  EXPECT_GE(ticks, 2);
}

TEST(MainWindowTest, CenterFormOverhangsEquallyWhenLarger) {
  testing::TestApplication();
  QWidget big;
  QSize screen = QGuiApplication::primaryScreen()->geometry().size();
  big.resize(screen.width() + 200, screen.height() + 100);
  MainWindow::CenterForm(&big);
  EXPECT_EQ(big.x(), (screen.width() - big.frameGeometry().width()) / 2);
  EXPECT_LT(big.x(), 0);
  EXPECT_LT(big.y(), 0);
}

TEST(Cp1252Test, RoundTripsEveryDefinedByte) {
  std::string all;
  for (int b = 1; b < 256; ++b) {
    if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue;
    all += static_cast<char>(b);
  }
  EXPECT_EQ(ToCp1252(FromCp1252(all)), all);
  EXPECT_EQ(FromCp1252("\x93quoted\x94"), QString::fromUtf8("\u201cquoted\u201d"));
}

}  // namespace
}  // namespace corvane
