#pragma once

#include <functional>
#include <memory>
#include <string>

#include "support/process_list.h"

namespace corvane {

// Reads one file of a process's folder whole; raises ConduitError (errno)
// when it cannot.
using ProcFileReader = std::function<std::string(const std::string& path)>;

// The processes of this machine, read from proc_root (process_list_linux.cpp)
// with reader (ReadWholeFile when none is given). A process whose files cannot
// be read is left out of the snapshot.
std::unique_ptr<ProcessList> MakeSystemProcessList(const std::string& proc_root = "/proc",
                                                   ProcFileReader reader = {});

// A process's name from its /proc files: argv[0] without any Unix folder
// (the text after the last '/'), or comm when the command line is empty. A
// program under Wine keeps its Windows path, backslashes and all.
std::string ProcessNameFrom(const std::string& cmdline, const std::string& comm);

}  // namespace corvane
