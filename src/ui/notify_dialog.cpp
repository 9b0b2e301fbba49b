#include "ui/notify_dialog.h"

#include <QEvent>
#include <QTimer>

#include "ui/cp1252.h"
#include "ui/main_window.h"

namespace corvane {

NotifyDialog::NotifyDialog(QWidget* owner, SettingsStore& store, const std::string& notifyContainer)
    : QDialog(owner), logic_(store) {
  setObjectName("frmNotify");
  setWindowTitle("Corvane Palm Sync Notify");
  setFixedSize(Twips(6000), Twips(2385));
  // The layout was made for an 8-point dialog font; larger ones cut the check box's text.
  QFont small = font();
  small.setPointSize(8);
  setFont(small);
  lNotifyText_ = new QLabel("I am notifying you...", this);
  lNotifyText_->setObjectName("lNotifyText");
  lNotifyText_->setGeometry(Twips(120), Twips(165), Twips(5745), Twips(1605));
  lNotifyText_->setWordWrap(true);
  lNotifyText_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  cbDontShow_ = new QCheckBox("Don't show this message again", this);
  cbDontShow_->setObjectName("cbDontShow");
  cbDontShow_->setGeometry(Twips(120), Twips(1995), Twips(3045), Twips(255));
  bOk_ = new QPushButton("Close", this);
  bOk_->setObjectName("bOk");
  bOk_->setGeometry(Twips(4530), Twips(1905), Twips(1335), Twips(420));
  bOk_->setDefault(true);
  connect(bOk_, &QPushButton::clicked, this, [this] {
    logic_.OnClose(cbDontShow_->isChecked());
    accept();
  });

  // The load steps.
  if (owner) setWindowIcon(owner->windowIcon());
  MainWindow::CenterForm(this);
  logic_.Load(notifyContainer);
}

bool NotifyDialog::event(QEvent* e) {
  bool handled = QDialog::event(e);
  if (e->type() == QEvent::WindowActivate) Activated();
  if (e->type() == QEvent::Show) {
    // Platforms without a window manager never activate the dialog.
    QTimer::singleShot(50, this, [this] { Activated(); });
  }
  return handled;
}

void NotifyDialog::Activated() {
  if (!isVisible()) return;
  std::optional<std::string> message = logic_.OnActivate();
  if (!message) {
    reject();
    return;
  }
  lNotifyText_->setText(FromCp1252(*message));
}

void ShowNotify(QWidget* owner, SettingsStore& store, const std::string& notification) {
  NotifyDialog dialog(owner, store, notification);
  dialog.exec();
}

}  // namespace corvane
