#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;

// The program in a directory of its own, started with no display reachable.
struct Outcome {
  int status = -1;
  std::string output;
};

Outcome RunWithoutDisplay(const TempDir& dir, const std::vector<std::string>& arguments,
                      const std::map<std::string, std::string>& environment = {}) {
  std::vector<std::string> argv{"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM",
                                dir / "varnok"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  ChildProcess program(argv, environment, dir.path());
  Outcome run;
  run.status = program.WaitForExit(30s).value_or(-1);
  run.output = program.Output();
  return run;
}

std::set<std::string> FilesIn(const TempDir& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) names.insert(entry.path().filename());
  return names;
}

// Every name in backticks in the README that looks like an option or an environment variable.
std::set<std::string> ReadmeNames(const std::regex& pattern) {
  std::ifstream readme(std::string(VARNOK_SOURCE_DIR) + "/README.md");
  const std::string text((std::istreambuf_iterator<char>(readme)), std::istreambuf_iterator<char>());
  std::set<std::string> names;
  for (std::sregex_iterator match(text.begin(), text.end(), pattern), end; match != end; ++match)
    names.insert((*match)[1]);
  return names;
}

TEST(CommandLineEndToEndTest, VersionAndHelpAnswerAtOnceWithoutDisplayOrState) {
  TempDir dir;
  InstallProgramCopy(dir.path());
  const Outcome version = RunWithoutDisplay(dir, {"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.output, "varnok 1.0.0.1\n");

  const Outcome help = RunWithoutDisplay(dir, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.output.rfind("Usage: varnok", 0), 0u) << help.output;
  // Everything the README tells a person to set or pass, the help lists too.
  const auto variables = ReadmeNames(std::regex("`((?:VARNOK|JAWS)_[A-Z_]+)`"));
  const auto options = ReadmeNames(std::regex("`(?:varnok )?(--[a-z]+)"));
  EXPECT_GE(variables.size(), 10u);
  EXPECT_GE(options.size(), 3u);
  for (const std::string& name : variables) EXPECT_NE(help.output.find(name), std::string::npos) << name;
  for (const std::string& name : options) EXPECT_NE(help.output.find(name), std::string::npos) << name;

  // Neither wrote a thing beside the program.
  EXPECT_EQ(FilesIn(dir), std::set<std::string>{"varnok"});

  const Outcome unknown = RunWithoutDisplay(dir, {"--colour"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.output.find("--colour"), std::string::npos) << unknown.output;
  EXPECT_EQ(FilesIn(dir), std::set<std::string>{"varnok"});
}

TEST(CommandLineEndToEndTest, ALaterLaunchBesideAWindowlessProgramSaysItsAddressesAreNotOpened) {
  TempDir dir, runtime;
  InstallProgramCopy(dir.path());
  const std::map<std::string, std::string> environment{{"VARNOK_SITE_URL", UniqueSiteUrl()},
                                                       {"VARNOK_PORT", "0"},
                                                       {"VARNOK_UPDATE_FIRST_MS", "3600000"},
                                                       {"XDG_RUNTIME_DIR", runtime.path()}};
  ChildProcess first({dir / "varnok", "--headless"}, environment, dir.path());
  ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(dir / "sysmsg.htm"); }, 30s)) << first.Output();

  // --version is answered, not handed over.
  EXPECT_EQ(RunWithoutDisplay(dir, {"--version"}, environment).output, "varnok 1.0.0.1\n");
  const Outcome later = RunWithoutDisplay(dir, {"--headless", "http://example.org/"}, environment);
  EXPECT_EQ(later.status, 0);
  EXPECT_NE(later.output.find("no window"), std::string::npos) << later.output;
  EXPECT_TRUE(first.Running());
  first.Signal(SIGTERM);
  EXPECT_EQ(first.WaitForExit(30s), 0) << first.Output();
  // The socket goes with the program.
  EXPECT_TRUE(std::filesystem::is_empty(runtime / "varnok"));
}

}  // namespace
