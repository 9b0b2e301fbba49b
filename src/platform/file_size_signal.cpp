#include "platform/file_size_signal.h"

#include <signal.h>

namespace corvane {

void IgnoreFileSizeSignal() {
  ::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace corvane
