#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/byte_sink.h"

namespace corvane {

// Replaces path with data so that, whatever happens to the process, the file
// holds either its old or its new content: the data goes into a temporary
// file ".<name>.tmp-XXXXXX" in the same folder, is checked and synced, and is
// renamed over the file; then the folder is synced. An existing file's
// permissions are kept; a symbolic link of that name is replaced, never
// written through. Raises ConduitError (errno) on failure, leaving the old
// file whole and no temporary behind.
void WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& data);
void WriteFileAtomically(const std::string& path, const std::string& data);
// The same with the content produced by write, which puts it into a buffered
// sink over the temporary file; every write is checked, and so is the size of
// the file against what write put in. An error raised by write leaves the old
// file whole and reaches the caller.
void WriteFileAtomically(const std::string& path, const std::function<void(ByteSink&)>& write);

// Makes a folder's entries (a rename, a new file) durable; raises
// ConduitError (errno) when the folder cannot be synced.
void SyncFolder(const std::string& folder);

// True for the names WriteFileAtomically gives its temporaries.
bool IsAtomicTemporaryName(const std::string& file_name);

// Removes the temporaries a killed writer left in folder; returns how many.
// Failures are ignored: a leftover temporary harms nothing but space.
int RemoveStaleTemporaries(const std::string& folder);

}  // namespace corvane
