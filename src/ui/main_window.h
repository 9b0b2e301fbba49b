#pragma once

#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "support/window.h"
#include "ui/log_list_model.h"

namespace corvane {

// frmMain: the activity label, the Exit button, the log list and Timer1.
class MainWindow : public QWidget, public Window {
  Q_OBJECT

 public:
  // The list box addresses 16-bit indexes; past that the oldest items go.
  static constexpr int kMaxLogItems = 32767;
  static constexpr int kTimerInterval = 200;
  // The list and the window are brought up to date at most once a frame.
  static constexpr int kRepaintInterval = 16;

  MainWindow();

  // What the window's events do; set before the window is shown.
  std::function<void()> on_tick;
  std::function<void()> on_exit_clicked;
  std::function<void()> on_first_activation;
  std::function<void()> on_close;

  void SetActivity(const std::string& text) override;
  void AddLogItem(const std::string& text) override;
  MessageAnswer ShowMessage(const std::string& text, const std::string& title,
                            MessageButtons buttons) override;
  void ProcessPendingEvents() override;
  void SetTimerEnabled(bool enabled) override;
  bool TimerEnabled() const override;
  void CenterOnScreen() override;
  [[noreturn]] void EndProcess(int status) override;

  // Places any window in the middle of the screen, overhanging it equally
  // on both sides when it is larger.
  static void CenterForm(QWidget* x);

  // The log list's lines as the program has added them, shown yet or not.
  QStringList LogItems() const;

 protected:
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Activated();
  // Shows the lines added since the last time, selects and scrolls to the
  // newest and repaints the window.
  void RefreshLog();

  QLabel* banner_;
  QLabel* lblmsgs_;
  QPushButton* cmdExit_;
  QListView* lbLog_;
  LogListModel* log_model_;
  QTimer* Timer1_;
  QTimer* refresh_timer_;
  bool activated_ = false;
};

}  // namespace corvane
