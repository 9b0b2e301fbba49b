#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <string>

#include "support/notify_logic.h"

namespace corvane {

// frmNotify: a message, "Don't show this message again" and Close. A
// suppressed notification closes again as soon as it is activated.
class NotifyDialog : public QDialog {
  Q_OBJECT

 public:
  NotifyDialog(QWidget* owner, SettingsStore& store, const std::string& notifyContainer);

  // Sizes in pixels at 96 dpi (15 twips to the pixel).
  static constexpr int Twips(int twips) { return twips / 15; }

 protected:
  bool event(QEvent* e) override;

 private:
  void Activated();

  NotifyLogic logic_;
  QLabel* lNotifyText_;
  QCheckBox* cbDontShow_;
  QPushButton* bOk_;
};

// ShowNotify: shows the notification modally over owner and returns once it is closed.
void ShowNotify(QWidget* owner, SettingsStore& store, const std::string& notification);

}  // namespace corvane
