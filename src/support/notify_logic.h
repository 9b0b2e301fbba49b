#pragma once

#include <optional>
#include <string>
#include <vector>

#include "support/settings_store.h"

namespace corvane {

// What frmNotify decides, without its widgets: the notification's id and
// message, whether the user has suppressed it, and the suppression the
// Close button stores.
class NotifyLogic {
 public:
  explicit NotifyLogic(SettingsStore& store) : store_(store) {}

  // The load steps: split notifyContainer ("id|message") and read the
  // suppression list.
  void Load(const std::string& notifyContainer);
  // On activation: the message to show, or nothing when the dialog is to
  // close at once.
  std::optional<std::string> OnActivate() const;
  // The Close button: with the box ticked, the id joins the suppression list.
  void OnClose(bool dontShowAgain);

  bool ShouldShow(const std::string& id) const;

  const std::vector<std::string>& notifyOptions() const { return notifyOptions_; }
  const std::string& notifyId() const { return notifyId_; }

 private:
  SettingsStore& store_;
  std::vector<std::string> notifyOptions_;
  std::string notifyId_;
  std::string suppressList_;
};

}  // namespace corvane
