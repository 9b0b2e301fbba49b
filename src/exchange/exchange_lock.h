#pragma once

#include <string>

#include "support/folder_lock.h"

namespace corvane {

// Holds an exchange folder for one conduit's whole run, so that a second
// conduit on the same folder cannot run the same handshake (both would
// overwrite db.txt and both would clear their handheld's flights). The lock
// is the folder's own (FolderLock): the PC application sees no file of it.
class ExchangeLock {
 public:
  using Outcome = FolderLock::Outcome;

  // Holds the folder syncPath names; raises as FolderLock::Hold does.
  Outcome Hold(const std::string& syncPath);
  bool held() const { return lock_.held(); }

  // Removes the temporaries that a killed run left while replacing exchange
  // files; returns how many. Only the holder may: another conduit's
  // temporaries would be in use.
  int RemoveStaleTemporaries() const;

 private:
  FolderLock lock_;
  std::string folder_;
};

}  // namespace corvane
