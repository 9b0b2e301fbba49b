#pragma once

#include <map>
#include <memory>
#include <string>

#include "handheld/handheld_store.h"
#include "link/dlp_client.h"
#include "support/conduit_error.h"

namespace corvane {

class LauncherWatch;
class LiveDatabase;

// The databases of a live handheld, reached through DLP. A database is
// opened read-only when the conduit first opens it, and its records are read
// as the conduit asks for them, each once: what was read stays known for the
// whole run. Changes stay here until Flush(), which writes only what differs
// from what the handheld holds, through a handle opened for writing then.
//
// A failed connection (the other end gone, no answer in time, an answer that
// breaks the protocol) ends the HotSync operation: the watch is told, and
// this and every later operation raises err::kHotSyncEnded.
class LiveHandheld : public HandheldStore {
 public:
  LiveHandheld(link::DlpTransport& transport, std::shared_ptr<const LauncherWatch> watch);
  ~LiveHandheld() override;

  std::shared_ptr<RecordDatabase> OpenDatabase(const std::string& name) override;
  // The clock is not used: the handheld dates its databases itself.
  void Flush(const Clock& clock) override;
  bool HasChanges() const override;
  // Closes the handles still open.
  void Close() override;

  // Runs a DLP call; a link failure ends the HotSync operation (see above).
  template <typename Call>
  auto Guarded(Call&& call) -> decltype(call()) {
    try {
      return call();
    } catch (const ConduitError& e) {
      Fail(e);
    }
  }

 private:
  [[noreturn]] void Fail(const ConduitError& e);

  link::DlpClient dlp_;
  std::shared_ptr<const LauncherWatch> watch_;
  std::map<std::string, std::shared_ptr<LiveDatabase>> open_;
};

}  // namespace corvane
