#include "exchange/exchange_lock.h"

#include "support/atomic_file.h"
#include "support/join_path.h"

namespace corvane {

ExchangeLock::Outcome ExchangeLock::Hold(const std::string& syncPath) {
  folder_ = JoinPath(syncPath, "");
  return lock_.Hold(folder_);
}

int ExchangeLock::RemoveStaleTemporaries() const {
  return held() ? corvane::RemoveStaleTemporaries(folder_) : 0;
}

}  // namespace corvane
