#include "app/StateDirectory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

namespace {

unsigned ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// A program below /usr is shared even where this account (root) could write there; its
// state goes to the account's data directory, which only the account may enter.
TEST(StateDirectoryTest, ASharedInstallationUsesThePrivateDataDirectoryOfTheAccount) {
  TempDir home;
  ScopedEnvironment homeVariable("HOME", home.path()), dataHome("XDG_DATA_HOME", std::nullopt);
  const std::string data = home / "data", inHome = home / ".local/share/varnok/";
  // XDG_DATA_HOME counts only as an absolute path.
  for (const auto& [configured, expected] : std::initializer_list<std::pair<std::optional<std::string>, std::string>>{
           {std::nullopt, inHome}, {"relative/share", inHome}, {"", inHome}, {data + "/", data + "/varnok/"}}) {
    dataHome.Set(configured);
    const StateDirectory state = StateDirectory::For("/usr/lib/varnok/");
    EXPECT_EQ(state.path(), expected);
    EXPECT_FALSE(state.besideProgram());
    EXPECT_EQ(ModeOf(expected), 0700u) << expected;
  }
  // Made by something else with the usual mode, it is closed to others all the same.
  ASSERT_EQ(chmod((data + "/varnok").c_str(), 0755), 0);
  StateDirectory::For("/usr/lib/varnok/");
  EXPECT_EQ(ModeOf(data + "/varnok"), 0700u);
}

}  // namespace
