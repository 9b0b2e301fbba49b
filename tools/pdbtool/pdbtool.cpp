// pdbtool: looks into and builds Palm record databases (.pdb).

#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "handheld/pdb_format.h"
#include "pdb_description.h"
#include "pdb_dump.h"
#include "platform/file_size_signal.h"
#include "platform/system_clock.h"
#include "support/atomic_file.h"
#include "support/conduit_error.h"
#include "version.h"

namespace corvane::pdbtool {
namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

void PrintHelp(std::ostream& out) {
  out << "Usage:\n"
         "  pdbtool dump FILE...                 header and every record, bytes in hex\n"
         "                                       and the zero-terminated texts they hold\n"
         "  pdbtool summary FILE...              one line per database: file, name,\n"
         "                                       type/creator, live records, bytes\n"
         "  pdbtool create OUT.pdb DESCRIPTION   builds a database; DESCRIPTION is a\n"
         "                                       file, or - for standard input\n"
         "  pdbtool --help | --version\n\n"
      << kDescriptionSyntax
      << "\nExit status: 0 on success, 1 when a file cannot be read, is damaged or\n"
         "cannot be written, 2 for a wrong command line.\n";
}

int Usage(const std::string& problem) {
  std::cerr << "pdbtool: " << problem << "\nTry 'pdbtool --help'.\n";
  return kUsage;
}

int DumpOrSummary(const std::vector<std::string>& files, bool summary) {
  int status = 0;
  for (const std::string& path : files) {
    try {
      PdbFile file = ReadPdbFile(path);
      std::ostringstream text;
      if (summary) {
        Summarize(text, path, file, SerializePdb(file).size());
      } else {
        Dump(text, path, file);
      }
      std::cout << text.str();
    } catch (const std::exception& e) {
      std::cout.flush();
      std::cerr << "pdbtool: " << ErrorText(e) << "\n";
      status = kFailed;
    }
  }
  return status;
}

int Create(const std::string& out_path, const std::string& description) {
  try {
    std::string text;
    if (description == "-") {
      text.assign(std::istreambuf_iterator<char>(std::cin), {});
    } else {
      std::ifstream in(description, std::ios::binary);
      if (!in) throw ConduitError::FromErrno(errno, description);
      text.assign(std::istreambuf_iterator<char>(in), {});
      if (in.bad()) throw ConduitError::FromErrno(errno, description);
    }
    const std::string source = description == "-" ? "<stdin>" : description;
    PdbFile file = ParseDescription(text, source, PalmNow(SystemClock()));
    WriteFileAtomically(out_path, SerializePdb(file));
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "pdbtool: " << ErrorText(e) << "\n";
    return kFailed;
  }
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) return Usage("no command given");
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    PrintHelp(std::cout);
    return 0;
  }
  if (command == "--version") {
    std::cout << "pdbtool (CorvaneConduit) " << kAppVersion << "\n";
    return 0;
  }
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "dump" || command == "summary") {
    if (rest.empty()) return Usage(command + " needs at least one FILE");
    return DumpOrSummary(rest, command == "summary");
  }
  if (command == "create") {
    if (rest.size() != 2) return Usage("create needs OUT.pdb and DESCRIPTION");
    return Create(rest[0], rest[1]);
  }
  return Usage("unknown command '" + command + "'");
}

}  // namespace
}  // namespace corvane::pdbtool

int main(int argc, char** argv) {
  corvane::IgnoreFileSizeSignal();
  return corvane::pdbtool::Run(std::vector<std::string>(argv + 1, argv + argc));
}
