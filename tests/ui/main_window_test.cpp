#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
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
  auto* list = window.findChild<QListWidget*>("lbLog");
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
  window.AddLogItem("second");
  EXPECT_EQ(list->count(), 2);
  EXPECT_EQ(list->currentRow(), 1);
  window.SetTimerEnabled(true);
  EXPECT_TRUE(window.TimerEnabled());
  window.SetTimerEnabled(false);

  if (const char* dir = std::getenv("CORVANE_SCREENSHOT_DIR")) {
    window.SetActivity("Processing data");
    window.grab().save(QString(dir) + "/main-window.png");
  }
}

TEST(MainWindowTest, LogListKeepsTheNewestItemsPastItsLimit) {
  testing::TestApplication();
  MainWindow window;
  auto* list = window.findChild<QListWidget*>("lbLog");
  for (int i = 0; i < MainWindow::kMaxLogItems + 3; ++i) window.AddLogItem(std::to_string(i));
  EXPECT_EQ(list->count(), MainWindow::kMaxLogItems);
  EXPECT_EQ(list->item(0)->text(), "3");
  EXPECT_EQ(list->currentRow(), MainWindow::kMaxLogItems - 1);
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
