// Where the log goes, decided as a user that file permissions stop.

#include "platform/log_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <optional>

#include "fixtures/child_process.h"
#include "fixtures/temp_dir.h"

namespace corvane {
namespace {

using testing::TempDir;

TEST(LogFolderTest, BesideTheExecutableWhenWritableElsePerUser) {
  const std::optional<testing::TestUser> user = testing::UnprivilegedUser();
  if (!user) GTEST_SKIP() << "runs as root, and there is no user 'nobody' to run as";
  const uid_t uid = user->uid;
  const gid_t gid = user->gid;
  TempDir temp;
  const std::string t = temp.path();
  for (const char* folder : {"portable", "system", "shared"}) {
    ASSERT_EQ(::chown(temp.Sub(folder).c_str(), uid, gid), 0);
  }
  ASSERT_EQ(::chown(t.c_str(), uid, gid), 0);
  ::chmod((t + "/system").c_str(), 0555);
  // Another user's log in a folder we may write.
  testing::WriteFileBytes(t + "/shared/palmSynclog.txt", "");
  ::chmod((t + "/shared/palmSynclog.txt").c_str(), 0444);

  const std::string per_user = "/Veltrane-soft/Corvane";
  struct Case {
    const char* folder;
    std::optional<std::string> state_home;
    std::string expected;
  } cases[] = {
      {"portable", t + "/state", t + "/portable"},
      {"system", t + "/state", t + "/state" + per_user},
      {"shared", t + "/state", t + "/state" + per_user},
      {"system", std::nullopt, t + "/home/.local/state" + per_user},
      {"system", "relative", t + "/home/.local/state" + per_user},  // XDG ignores relative ones
  };
  std::string expected;
  for (const Case& c : cases) expected += c.expected + "\n";
  EXPECT_EQ(testing::AsUser(*user,
                            [&] {
                              std::string found;
                              ::setenv("HOME", (t + "/home").c_str(), 1);
                              for (const Case& c : cases) {
                                ::unsetenv("XDG_STATE_HOME");
                                if (c.state_home)
                                  ::setenv("XDG_STATE_HOME", c.state_home->c_str(), 1);
                                found += LogFolder(t + "/" + c.folder) + "\n";
                              }
                              return found;
                            }),
            expected);
  for (const std::string& made : {std::string("/state"), "/state/Veltrane-soft" + std::string(),
                                  "/state" + per_user, "/home/.local/state" + per_user}) {
    struct stat st;
    ASSERT_EQ(::stat((t + made).c_str(), &st), 0) << made;
    EXPECT_EQ(st.st_mode & 0777, 0700u) << made;
    EXPECT_EQ(st.st_uid, uid) << made;
  }
}

TEST(LogFolderTest, NeverBesideAnInstalledProgramEvenForRoot) {
  TempDir state;
  EXPECT_EQ(testing::InChild([&] {
              ::setenv("XDG_STATE_HOME", state.path().c_str(), 1);
              return LogFolder("/usr/bin");
            }),
            state.path() + "/Veltrane-soft/Corvane");
}

}  // namespace
}  // namespace corvane
