// A live handheld end to end: corvane-pc playing the PC application, hotsync
// and the conduit, and the simulated handheld on the other end of a real
// connection (NetSync, the serial stack over TCP, a serial line on a
// pseudo-terminal), against the same synchronisation on the handheld's folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>

#include "e2e/conduit_run.h"
#include "handheld/pdb_format.h"
#include "support/socket.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

// corvane-pc runs as Corvane.exe, the PC application: a ConduitRun, whose
// shared lock keeps these runs apart from the tests that need none running.
class LiveE2eTest : public ConduitRun {
 public:
  struct Run {
    std::string root;
    int pc_status = -1;
    std::optional<int> sim_status;
    std::string stats;
    std::string Exchange(const std::string& name) const { return root + "/exchange/" + name; }
  };

 protected:
  LiveE2eTest() {
    for (const auto& description : fs::directory_iterator(CORVANE_SOURCE_DIR "/samples/handheld")) {
      RunChild({Bin("pdbtool"),
                {"create", pristine + "/" + description.path().stem().string() + ".pdb",
                 description.path().string()}});
    }
  }

  // One synchronisation of a copy of the sample handheld with corvane-pc;
  // connection is how hotsync reaches it: "--handheld" its folder, or a live
  // one ("--listen", "--serial-listen", "--serial") that the simulated
  // handheld, given sim_args besides, serves.
  Run Synchronise(const std::string& name, const std::string& connection,
                  const std::vector<std::string>& sim_args = {}) {
    Run run{temp.Sub(name)};
    fs::copy(pristine, run.root + "/handheld");
    fs::copy(CORVANE_SOURCE_DIR "/samples/pc", run.root + "/pc");
    fs::copy(app, run.root + "/app");  // the conduit, its log beside it
    if (!paired.empty()) fs::copy(paired, run.root + "/config", fs::copy_options::recursive);
    const std::string pc_output = run.root + "/output", serial_out = run.root + "/handheld-output";
    const bool folder = connection == "--handheld", tty = connection == "--serial";
    ChildProcess::Options sim_options{
        Bin("corvane-handheld"),
        {"--folder", run.root + "/handheld", "--stats", run.root + "/stats", "--timeout", "60"}};
    sim_options.args.insert(sim_options.args.end(), sim_args.begin(), sim_args.end());
    sim_options.output_file = serial_out;
    std::optional<ChildProcess> sim;
    std::string where = run.root + "/handheld";
    if (tty) {
      sim_options.args.push_back("--serial-pty");
      sim.emplace(sim_options);
      EXPECT_TRUE(
          WaitUntil([&] { return ReadIfAny(serial_out).find('\n') != std::string::npos; }, 30));
      const std::string line = ReadIfAny(serial_out);
      where = line.substr(5, line.find('\n') - 5);  // "tty: /dev/pts/N"
    } else if (!folder) {
      where = "127.0.0.1:0";  // hotsync says the port it got
    }
    ChildProcess pc(
        {Bin("corvane-pc"),
         {"--exchange", run.root + "/exchange", connection, where, "--logbook",
          run.root + "/logbook.csv", "--data", run.root + "/pc", "--conduit",
          run.root + "/app/CorvaneConduit", "--hotsync", Bin("hotsync"), "--timeout", "60"},
         {{"XDG_CONFIG_HOME", run.root + "/config"},
          {"XDG_STATE_HOME", run.root + "/state"},
          {"QT_QPA_PLATFORM", "offscreen"}},
         "",
         pc_output});
    if (!folder && !tty) {
      std::smatch port;
      static const std::regex waiting("waiting for a handheld on 127\\.0\\.0\\.1:([0-9]+)");
      std::string said;
      EXPECT_TRUE(WaitUntil(
          [&] { return std::regex_search(said = ReadIfAny(pc_output), port, waiting); }, 30));
      sim_options.args.insert(
          sim_options.args.end(),
          {connection == "--listen" ? "--netsync" : "--serial-tcp", "127.0.0.1:" + port[1].str()});
      sim.emplace(sim_options);
    }
    run.pc_status = pc.Wait(120).value_or(-1);
    if (sim) run.sim_status = sim->Wait(60);
    run.stats = ReadIfAny(run.root + "/stats");
    return run;
  }

  static std::string ReadIfAny(const std::string& path) {
    return fs::exists(path) ? ReadFileBytes(path) : "";
  }

  std::string pristine = temp.Sub("pristine");
  std::string paired;  // a configuration folder holding a pairing, when not empty
};

// What the run left that must not depend on how the handheld was reached:
// the exchange files, the logbook, the log's messages (the exchange folder's
// path aside) and every record, attribute and block of the databases.
std::string Outcome(const std::string& root) {
  std::string all;
  for (const char* file : {"db.txt", "version.txt", "acreg_actype.txt", "airport.txt", "PERSON.txt",
                           "simulator.txt", "corvane.txt", "Reports/Logbook.txt"}) {
    all += std::string(file) + ":" + ReadFileBytes(root + "/exchange/" + file) + "\n";
  }
  all += "logbook:" + ReadFileBytes(root + "/logbook.csv") + "\n";
  for (std::string message : LogMessagesOf(root + "/exchange/palmSynclog.txt")) {
    if (const size_t at = message.find(root); at != std::string::npos)
      message.erase(at, root.size());
    all += message + "\n";
  }
  std::vector<fs::path> databases;
  for (const auto& f : fs::directory_iterator(root + "/handheld")) databases.push_back(f.path());
  std::sort(databases.begin(), databases.end());
  for (const fs::path& file : databases) {
    const PdbFile db = ReadPdbFile(file.string());
    all += db.header.Name() + " " + std::to_string(db.header.attributes) + " " +
           std::to_string(db.app_info.value_or(Bytes{}).size()) + " " +
           std::to_string(db.sort_info.value_or(Bytes{}).size()) + "\n";
    for (const PdbRecord& r : db.records) {
      all += std::to_string(r.attributes) + ":" + std::string(r.data.begin(), r.data.end()) + "\n";
    }
  }
  return all;
}

// The first line where two outcomes part, or "" when they are the same.
std::string FirstDifference(const std::string& a, const std::string& b) {
  std::istringstream in_a(a), in_b(b);
  for (int n = 1; in_a || in_b; ++n) {
    std::string line_a, line_b;
    std::getline(in_a, line_a);
    std::getline(in_b, line_b);
    if (line_a != line_b) {
      return "line " + std::to_string(n) + ": " + line_a.substr(0, 120) + " | " +
             line_b.substr(0, 120);
    }
  }
  return "";
}

TEST_F(LiveE2eTest, TheSampleHandheldOverEachConnectionEndsAsOnItsFolder) {
  const Run on_folder = Synchronise("folder", "--handheld");
  ASSERT_EQ(on_folder.pc_status, 0) << ReadFileBytes(on_folder.root + "/output");
  const std::string expected = Outcome(on_folder.root);
  for (const char* connection : {"--listen", "--serial-listen", "--serial"}) {
    SCOPED_TRACE(connection);
    const Run live = Synchronise(connection + 2, connection);
    ASSERT_EQ(live.pc_status, 0) << ReadFileBytes(live.root + "/output");
    EXPECT_EQ(live.sim_status, 0);
    EXPECT_EQ(FirstDifference(Outcome(live.root), expected), "");
    // One line in the handheld's HotSync log, and the sync ended normally.
    EXPECT_NE(live.stats.find("faults=0\n"), std::string::npos) << live.stats;
    EXPECT_NE(live.stats.find("\nlog=CorvaneConduit: synchronization complete\nend=normal\n"),
              std::string::npos)
        << live.stats;
  }
}

// Flights of a run: on the handheld still, or in the logbook or its
// pending file, never lost.
size_t FlightsKept(const LiveE2eTest::Run& run) {
  const size_t on_handheld = ReadPdbFile(run.root + "/handheld/CRVN_Corvane_db.pdb").records.size();
  size_t on_pc = 0;
  for (const char* file : {"/logbook.csv", "/logbook.csv.pending"}) {
    if (fs::exists(run.root + file)) {
      const std::string csv = ReadFileBytes(run.root + file);
      on_pc += std::count(csv.begin(), csv.end(), '\n') - 1;
    }
  }
  return on_handheld == 20 ? 20 : on_handheld + on_pc;
}

// The connection dropped at requests before, during and after the conduit's
// run, from the first to the last: the synchronisation fails, and every one
// of the 20 flights stays on the handheld or waits on the PC side.
TEST_F(LiveE2eTest, ADroppedConnectionLosesNoFlight) {
  const Run whole = Synchronise("whole", "--listen");
  ASSERT_EQ(whole.pc_status, 0);
  std::smatch count;
  ASSERT_TRUE(std::regex_search(whole.stats, count, std::regex("requests=([0-9]+)")));
  const size_t requests = std::stoul(count[1]);
  for (size_t drop : {size_t{1}, size_t{3}, size_t{4}, requests / 3, 2 * requests / 3, requests - 3,
                      requests - 1, requests}) {
    SCOPED_TRACE("dropped at request " + std::to_string(drop) + " of " + std::to_string(requests));
    const Run run = Synchronise("drop-" + std::to_string(drop), "--listen",
                                {"--drop-after", std::to_string(drop)});
    EXPECT_EQ(run.pc_status, 1) << ReadFileBytes(run.root + "/output");
    EXPECT_EQ(run.sim_status, 1);
    EXPECT_EQ(FlightsKept(run), 20u);
  }
}

// Another pilot's handheld, or one never named: refused before the conduit
// runs, with a line in its HotSync log; nothing reaches the exchange folder
// or the handheld's databases.
TEST_F(LiveE2eTest, AHandheldOfAnotherUserIsRefused) {
  paired = temp.Sub("paired/Veltrane-soft");
  WriteFileBytes(paired + "/hotsync.conf", "[General]\nPairedUserId=1\nPairedUserName=Jane\n");
  paired = temp.path() + "/paired";
  const std::tuple<const char*, const char*> users[] = {
      {"2", "Not synchronized: this desktop belongs to another handheld"},
      {"0", "Not synchronized: give this handheld a user name first"}};
  for (const auto& [user, line] : users) {
    SCOPED_TRACE(user);
    const Run run = Synchronise(std::string("user-") + user, "--listen", {"--user-id", user});
    EXPECT_EQ(run.pc_status, 1);
    EXPECT_EQ(run.sim_status, 0);
    EXPECT_NE(run.stats.find(std::string("\nlog=") + line + "\nend=error\n"), std::string::npos)
        << run.stats;
    EXPECT_EQ(ReadFileBytes(run.Exchange("status.flag")), "stage1 pda2pc");
    EXPECT_FALSE(fs::exists(run.Exchange("db.txt")));
    for (const auto& db : fs::directory_iterator(pristine)) {
      EXPECT_TRUE(ReadFileBytes(run.root + "/handheld/" + db.path().filename().string()) ==
                  ReadFileBytes(db.path()))
          << db.path().filename() << " changed";
    }
  }
}

// A handheld that stops answering is given up after --answer-timeout,
// before anything runs.
TEST_F(LiveE2eTest, ASilentHandheldIsGivenUp) {
  const std::string ran = temp.path() + "/ran";
  ChildProcess hotsync({Bin("hotsync"),
                        {"--listen", "127.0.0.1:0", "--answer-timeout", "1", "--timeout", "30",
                         "--", "/bin/sh", "-c", "touch " + ran},
                        {{"XDG_CONFIG_HOME", config}},
                        "",
                        output});
  std::smatch port;
  std::string said;
  ASSERT_TRUE(WaitUntil(
      [&] {
        said = ReadIfAny(output);
        return std::regex_search(said, port, std::regex("127\\.0\\.0\\.1:([0-9]+)"));
      },
      30));
  ChildProcess sim({Bin("corvane-handheld"),
                    {"--folder", pristine, "--netsync", "127.0.0.1:" + port[1].str(),
                     "--silent-after", "2", "--timeout", "30"}});
  EXPECT_EQ(hotsync.Wait(30), 121) << ReadIfAny(output);
  EXPECT_FALSE(fs::exists(ran));
  EXPECT_NE(ReadIfAny(output).find("No answer from the handheld in time"), std::string::npos)
      << ReadIfAny(output);
}

}  // namespace
}  // namespace corvane::testing
