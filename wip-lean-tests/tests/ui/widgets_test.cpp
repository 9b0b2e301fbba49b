// The windows offscreen; the notification dialog is answered in a real window end to end.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "fixtures/temp_dir.h"
#include "platform/settings_file.h"
#include "ui/cp1252.h"
#include "ui/main_window.h"
#include "ui/notify_dialog.h"

namespace corvane {
namespace {

TEST(WidgetsTest, ControlsByNameAndPlaceLogListBoundedTextsDecoded) {
  int argc = 1;
  char name[] = "corvane_tests", *argv[] = {name, nullptr};
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);  // unless a display is asked for
  QApplication app(argc, argv);
  MainWindow window;
  auto* list = window.findChild<QListWidget*>("lbLog");
  ASSERT_TRUE(list && window.findChild<QLabel*>("lblmsgs") && window.findChild<QTimer*>("Timer1"));
  EXPECT_EQ(window.findChild<QPushButton*>("cmdExit")->text(), "Exit");
  EXPECT_EQ(window.findChild<QTimer*>("Timer1")->interval(), 200);
  EXPECT_EQ(window.findChild<QLabel*>("banner")->pixmap().size(), QSize(460, 80));
  for (int i = 0; i < MainWindow::kMaxLogItems + 3; ++i) window.AddLogItem(std::to_string(i));
  EXPECT_EQ(list->count(), MainWindow::kMaxLogItems);  // the newest items stay
  EXPECT_EQ(list->item(0)->text(), "3");
  EXPECT_EQ(list->currentRow(), MainWindow::kMaxLogItems - 1);
  window.SetActivity("Processing \x93quoted\x94");  // Windows-1252 quotes
  EXPECT_EQ(window.findChild<QLabel*>("lblmsgs")->text(),
            QString::fromUtf8("Processing \u201cquoted\u201d"));
  window.SetTimerEnabled(true);
  EXPECT_TRUE(window.TimerEnabled());
  window.SetTimerEnabled(false);
  EXPECT_FALSE(window.TimerEnabled());
  if (const char* dir = std::getenv("CORVANE_SCREENSHOT_DIR"))
    window.grab().save(QString(dir) + "/main-window.png");
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
