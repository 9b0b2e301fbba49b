#pragma once

#include <sys/types.h>

#include <string>

#include "support/system.h"

namespace corvane {

// How every file of the program is opened. An open never waits (a FIFO in
// place of a file would otherwise hold the window for ever), and nothing but
// a regular file is read or written: a FIFO, a socket, a device or a folder
// raises ConduitError naming the file and what stands there.

// Whether a read may go through a symbolic link: a file of the exchange
// folder that the PC application left must be that folder's own.
enum class Links { kFollow, kRefuse };

// An existing file, to read. Raises ConduitError (errno) when it cannot be
// opened.
sys::Fd OpenFileToRead(const std::string& path, Links links = Links::kFollow);

// What stands at a path that is no regular file, for messages: "a folder",
// "a FIFO", "a socket", "a device", "a symbolic link" or "something else".
const char* FileKind(mode_t mode);

enum class WriteStart {
  kTruncate,
  kAppend,
  kInPlace,  // an existing file only, its content left as it is
};

// A file to write, created when missing (except kInPlace). A symbolic link of
// that name, and a file that has other names too (hard links), is replaced by
// a new file (kInPlace: refused), never written through: a link must not
// lead a write out of the folder the program owns.
sys::Fd OpenFileToWrite(const std::string& path, WriteStart start);

}  // namespace corvane
