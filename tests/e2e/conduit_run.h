#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fixtures/child_process.h"
#include "fixtures/log_messages.h"
#include "fixtures/temp_dir.h"

namespace corvane::testing {

// A synchronisation with the real executables in a temporary folder: the
// conduit copied into a folder of its own (its log lives beside it), a
// settings folder, an exchange folder and a handheld folder.
class ConduitRun : public ::testing::Test {
 protected:
  ConduitRun();
  ~ConduitRun() override { ::close(names_lock); }

  // Writes the setting by hand into the per-user settings file.
  void Setting(const std::string& name, const std::string& value);
  void SetFlag(const std::string& stage) { WriteFileBytes(exchange + "status.flag", stage); }
  std::string Flag() const { return ReadFileBytes(exchange + "status.flag"); }

  // The conduit, through the hotsync launcher unless told otherwise.
  enum class Launch { kHotSync, kDirect };
  ChildProcess::Options Conduit(Launch launch = Launch::kHotSync,
                                const std::string& display = {}) const;
  // The scripted PC application, visible as Corvane.exe; steps as corvane-peer takes them.
  std::unique_ptr<ChildProcess> StartPeer(const std::vector<std::string>& steps) const;

  std::string LogFile() const { return app + "/palmSynclog.txt"; }
  // The log's messages, without their timestamps.
  std::vector<std::string> LogMessages() const { return LogMessagesOf(LogFile()); }
  std::string Bin(const std::string& name) const { return CORVANE_BIN_DIR "/" + name; }

  // For tests that need the PC application missing: why a process on this
  // machine would pass for it, or "" when none does. Holds the lock below
  // alone from then on.
  std::string WhyAPcApplicationIsSeen();

  // The conduit goes on only while a process named like the PC application
  // runs, so tests that start such a process and tests that need none must
  // not overlap. They take turns through a lock in the build folder: every
  // run shares it, WhyAPcApplicationIsSeen holds it alone.
  const int names_lock =
      ::open(CORVANE_BIN_DIR "/../pc-application-names.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  TempDir temp;
  std::string app, config, exchange, handheld, output;
};

}  // namespace corvane::testing
