#pragma once

#include <sys/types.h>

#include <string>

namespace corvane {

// How every file of the program is opened. An open never waits (a FIFO in
// place of a file would otherwise hold the window for ever), and nothing but
// a regular file is read or written: a FIFO, a socket, a device or a folder
// raises ConduitError naming the file and what stands there.

// An existing file, to read. Returns the descriptor; raises ConduitError
// (errno) when it cannot be opened.
int OpenFileToRead(const std::string& path);

// What stands at a path that is no regular file, for messages: "a folder",
// "a FIFO", "a socket", "a device", "a symbolic link" or "something else".
const char* FileKind(mode_t mode);

enum class WriteStart {
  kTruncate,
  kAppend,
  kInPlace,  // an existing file only, its content left as it is
};

// A file to write, created when missing (except kInPlace). A symbolic link of
// that name is replaced by a new file (kInPlace: refused), never written
// through: a link must not lead a write out of the folder the program owns.
int OpenFileToWrite(const std::string& path, WriteStart start);

}  // namespace corvane
