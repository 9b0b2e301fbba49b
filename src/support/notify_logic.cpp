#include "support/notify_logic.h"

#include "support/mod_process_list.h"
#include "support/mod_reg.h"
#include "support/text_ops.h"

namespace corvane {

void NotifyLogic::Load(const std::string& notifyContainer) {
  notifyOptions_ = SplitText(notifyContainer, "|");
  notifyId_ = TrimSpaces(notifyOptions_.front());
  suppressList_ =
      TrimNulls(ReadRegString(store_, kHKeyCurrentUser, kCorvaneKeyPath, kPalmSyncSuppressNotify));
}

bool NotifyLogic::ShouldShow(const std::string& id) const {
  return !RegExpTest("(?:^|,)" + id + "(?:,|$)", suppressList_, true);
}

std::optional<std::string> NotifyLogic::OnActivate() const {
  if (!ShouldShow(notifyId_)) return std::nullopt;
  // A text without "|" has no message: the dialog shows nothing rather than fail.
  return notifyOptions_.size() > 1 ? notifyOptions_[1] : std::string();
}

void NotifyLogic::OnClose(bool dontShowAgain) {
  if (!dontShowAgain) return;
  suppressList_ = suppressList_.empty() ? notifyId_ : suppressList_ + "," + notifyId_;
  WriteRegString(store_, kHKeyCurrentUser, kCorvaneKeyPath, kPalmSyncSuppressNotify, suppressList_);
}

}  // namespace corvane
