#pragma once

namespace corvane {

// A write past the file-size limit (RLIMIT_FSIZE) then fails with EFBIG and
// takes the writer's error path, instead of SIGXFSZ ending the process with
// a half-done run and no message. Call first thing in main().
void IgnoreFileSizeSignal();

}  // namespace corvane
