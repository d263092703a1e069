#include "app/StateDirectory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

namespace {

class StateDirectoryTest : public ::testing::Test {
 protected:
  static unsigned ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }

  TempDir program, home;
  ScopedEnvironment environment{{{"HOME", home.path()}, {"XDG_DATA_HOME", std::nullopt}}};
};

TEST_F(StateDirectoryTest, AWritableProgramDirectoryKeepsTheStateAndUpdatesItself) {
  const StateDirectory state = StateDirectory::For(program.path());
  EXPECT_EQ(state.path(), program.path());
  EXPECT_TRUE(state.besideProgram());
}

// A program below /usr is shared even where this account (root) could write there.
TEST_F(StateDirectoryTest, ASharedInstallationUsesThePrivateDataDirectoryOfTheAccount) {
  struct Case {
    const char* dataHome;  // XDG_DATA_HOME; a relative one does not count
    std::string expected;
  };
  const std::string data = home / "data", inHome = home / ".local/share/varnok/";
  for (const Case& c : {Case{nullptr, inHome}, Case{"relative/share", inHome}, Case{"", inHome},
                        Case{data.c_str(), data + "/varnok/"}}) {
    ScopedEnvironment::Set("XDG_DATA_HOME", c.dataHome ? std::optional<std::string>(c.dataHome) : std::nullopt);
    const StateDirectory state = StateDirectory::For("/usr/lib/varnok/");
    EXPECT_EQ(state.path(), c.expected);
    EXPECT_FALSE(state.besideProgram());
    EXPECT_EQ(ModeOf(c.expected), 0700u) << c.expected;
  }
  // Made by something else with the usual mode, it is closed to others all the same.
  ASSERT_EQ(chmod((home / "data/varnok").c_str(), 0755), 0);
  StateDirectory::For("/usr/lib/varnok/");
  EXPECT_EQ(ModeOf(home / "data/varnok"), 0700u);
}

}  // namespace
