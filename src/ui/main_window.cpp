#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QScreen>
#include <QVBoxLayout>
#include <cstdio>
#include <cstdlib>

#include "support/conduit_log.h"
#include "ui/banner.h"
#include "ui/cp1252.h"

namespace corvane {

MainWindow::MainWindow() {
  setObjectName("frmMain");
  setWindowTitle("Corvane Conduit");
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  resize(480, 360);

  banner_ = new QLabel(this);
  banner_->setObjectName("banner");
  banner_->setPixmap(DrawBanner(460, 80));
  lblmsgs_ = new QLabel(this);
  lblmsgs_->setObjectName("lblmsgs");
  lblmsgs_->setWordWrap(true);
  cmdExit_ = new QPushButton("Exit", this);
  cmdExit_->setObjectName("cmdExit");
  log_model_ = new LogListModel(kMaxLogItems, this);
  lbLog_ = new QListView(this);
  lbLog_->setObjectName("lbLog");
  // Single-line rows of one height: the view never measures every line.
  lbLog_->setUniformItemSizes(true);
  lbLog_->setWordWrap(false);
  lbLog_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lbLog_->setModel(log_model_);
  refresh_timer_ = new QTimer(this);
  refresh_timer_->setSingleShot(true);
  refresh_timer_->setTimerType(Qt::PreciseTimer);
  refresh_timer_->setInterval(kRepaintInterval);
  connect(refresh_timer_, &QTimer::timeout, this, [this] { RefreshLog(); });
  Timer1_ = new QTimer(this);
  Timer1_->setObjectName("Timer1");
  Timer1_->setInterval(kTimerInterval);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(banner_);
  layout->addWidget(lblmsgs_);
  layout->addWidget(cmdExit_, 0, Qt::AlignLeft);
  layout->addWidget(lbLog_, 1);

  connect(Timer1_, &QTimer::timeout, this, [this] {
    if (on_tick) on_tick();
  });
  connect(cmdExit_, &QPushButton::clicked, this, [this] {
    if (on_exit_clicked) on_exit_clicked();
  });
}

void MainWindow::SetActivity(const std::string& text) {
  lblmsgs_->setText(FromCp1252(text));
}

void MainWindow::AddLogItem(const std::string& text) {
  log_model_->Append(FromCp1252(text));
  // The timer runs inside the next event processing once a frame has passed,
  // and in the idle event loop when no more lines come.
  if (!refresh_timer_->isActive()) refresh_timer_->start();
}

QStringList MainWindow::LogItems() const {
  return log_model_->Items();
}

void MainWindow::RefreshLog() {
  if (log_model_->Publish()) {
    const QModelIndex newest = log_model_->index(log_model_->rowCount() - 1);
    lbLog_->setCurrentIndex(newest);
    lbLog_->scrollTo(newest);
  }
  repaint();
}

MessageAnswer MainWindow::ShowMessage(const std::string& text, const std::string& title,
                                      MessageButtons buttons) {
  QMessageBox box(isVisible() ? this : nullptr);
  box.setWindowTitle(FromCp1252(title.empty() ? std::string(kApplicationTitle) : title));
  box.setText(FromCp1252(text));
  box.setIcon(QMessageBox::NoIcon);
  if (buttons == MessageButtons::kYesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  int answer = box.exec();
  if (buttons == MessageButtons::kOk) return MessageAnswer::kOk;
  return answer == QMessageBox::Yes ? MessageAnswer::kYes : MessageAnswer::kNo;
}

void MainWindow::ProcessPendingEvents() {
  // Every call lets ticks and clicks run; the repaint waits for the frame.
  QApplication::processEvents();
  if (!refresh_timer_->isActive()) refresh_timer_->start();
}

void MainWindow::SetTimerEnabled(bool enabled) {
  if (enabled) {
    Timer1_->start();
  } else {
    Timer1_->stop();
  }
}

bool MainWindow::TimerEnabled() const {
  return Timer1_->isActive();
}

void MainWindow::CenterOnScreen() {
  CenterForm(this);
}

void MainWindow::CenterForm(QWidget* x) {
  QScreen* screen = x->screen() ? x->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QSize s = screen->geometry().size();
  QSize outer = x->frameGeometry().size();
  x->move((s.width() - outer.width()) / 2, (s.height() - outer.height()) / 2);
}

void MainWindow::EndProcess(int status) {
  std::fflush(nullptr);
  std::_Exit(status);
}

void MainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) Activated();
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Platforms without a window manager never activate a window; the gate
  // must still run once the window is up.
  QTimer::singleShot(50, this, [this] { Activated(); });
}

void MainWindow::Activated() {
  if (activated_) return;
  activated_ = true;
  if (on_first_activation) on_first_activation();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Closing always ends the run; on_close does not return.
  event->ignore();
  if (on_close) on_close();
}

}  // namespace corvane
