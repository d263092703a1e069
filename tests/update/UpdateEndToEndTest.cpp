// The built program updating itself: the headless shell downloading and verifying a
// new program, refusing forged, older and (without a key) all updates, install mode
// replacing the program, and an accepted update going all the way from the question
// through shutdown to the new program running. Releases are signed with the scripts a
// vendor uses.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "support/ChildProcess.h"
#include "support/RawHttp.h"
#include "support/TempDir.h"
#include "update/LocalSite.h"
#include "update/ReleaseScripts.h"

namespace {

using namespace std::chrono_literals;
using Environment = std::map<std::string, std::string>;

std::string BuiltProgram() { return ReadFileOrEmpty(std::getenv("VARNOK_BINARY")); }

// A quiet program: its own token and port, no update check during the test, no update
// key whatever the build holds, and a display setting for builds whose plain start
// opens windows.
Environment QuietEnvironment() {
  return {{"VARNOK_SITE_URL", UniqueSiteUrl()},
          {"VARNOK_PORT", std::to_string(FindFreePort())},
          {"VARNOK_UPDATE_FIRST_MS", "3600000"},
          {"VARNOK_UPDATE_PUBLIC_KEY", ""},
          {"QT_QPA_PLATFORM", "offscreen"},
          {"QTWEBENGINE_DISABLE_SANDBOX", "1"}};
}

// A program that checks for updates at once on `site`, trusting `publicKey`.
Environment CheckingEnvironment(const LocalSite& site, const std::string& publicKey) {
  Environment env = QuietEnvironment();
  env["VARNOK_SITE_URL"] = site.Url();
  env["VARNOK_UPDATE_FIRST_MS"] = "0";
  env["VARNOK_UPDATE_PAUSE_MS"] = "0";
  env["VARNOK_UPDATE_PUBLIC_KEY"] = publicKey;
  return env;
}

// A release process: its key made by make-update-key.sh, its descriptions carrying the
// lines sign-update.sh prints.
class Vendor {
 public:
  Vendor() : publicKey_(MakeUpdateKey(files_ / "vendor.pem")) {}

  const std::string& publicKey() const { return publicKey_; }

  std::string Description(const std::string& version, const std::string& program) const {
    WriteFileOrDie(files_ / "release", program);
    return "<update><flag>varnok update xml flag</flag>\n<software>\n" +
           SignUpdate(files_ / "vendor.pem", files_ / "release", version) + "</software></update>\n";
  }

 private:
  TempDir files_;
  std::string publicKey_;
};

// Whether the running process `pid` has loaded the download library, or the one that
// checks digests and signatures: the program loads them for its first fetch, not before.
bool LoadedDownloadLibraries(pid_t pid) {
  const std::string maps = ReadFileOrEmpty("/proc/" + std::to_string(pid) + "/maps");
  return maps.find("/libcurl.so") != std::string::npos || maps.find("/libcrypto.so") != std::string::npos;
}

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// An older program in place: the built one with a few bytes appended, still runnable.
std::string InstallOlderProgram(const std::string& directory) {
  std::filesystem::create_directories(directory);
  const std::string path = directory + "varnok";
  WriteFileOrDie(path, BuiltProgram() + "older release");
  chmod(path.c_str(), 0755);
  return path;
}

std::vector<pid_t> ProcessesRunning(const std::string& path) {
  const std::string wanted = std::filesystem::canonical(path).string();
  std::vector<pid_t> pids;
  DIR* proc = opendir("/proc");
  while (dirent* entry = proc ? readdir(proc) : nullptr) {
    char exe[PATH_MAX];
    ssize_t n = readlink(("/proc/" + std::string(entry->d_name) + "/exe").c_str(), exe, sizeof exe - 1);
    if (n > 0 && std::string(exe, static_cast<size_t>(n)) == wanted) pids.push_back(std::atoi(entry->d_name));
  }
  if (proc) closedir(proc);
  return pids;
}

// Ends the program an installer started (it is not our child: it runs in its own session).
void StopStartedProgram(const std::string& path) {
  for (pid_t pid : ProcessesRunning(path)) kill(pid, SIGTERM);
  if (!WaitUntil([&] { return ProcessesRunning(path).empty(); }, 15s))
    for (pid_t pid : ProcessesRunning(path)) kill(pid, SIGKILL);
}

bool StartedNormally(const std::string& directory) {
  return ReadFileOrEmpty(directory + "sysmsg.htm").find("</HTML>") != std::string::npos;
}

unsigned Mode(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mode & 0777;
}

// A product site publishing the built program, and a program directory for it.
class UpdateEndToEndTest : public ::testing::Test {
 protected:
  void Publish(const std::string& description) {
    site.Put("software/varnok", program);
    site.Put("software/update.xml", description);
  }

  TempDir dir;
  LocalSite site;
  Vendor vendor;
  const std::string program = BuiltProgram();
};

TEST_F(UpdateEndToEndTest, HeadlessProgramDownloadsAndVerifiesTheNewProgram) {
  Publish(vendor.Description("1.0.0.2", program));
  Environment env = CheckingEnvironment(site, vendor.publicKey());
  // Only a successful check (verified, question answered Cancel) brings the next one soon.
  env["VARNOK_UPDATE_NEXT_MS"] = "100";
  env["VARNOK_UPDATE_RETRY_MS"] = "3600000";
  ChildProcess varnok({InstallOlderProgram(dir.path()), "--headless"}, env, dir.path());

  EXPECT_TRUE(WaitUntil([&] { return site.Requests("software/update.xml") >= 2; }, 60s)) << varnok.Output();
  EXPECT_TRUE(LoadedDownloadLibraries(varnok.pid()));
  varnok.Signal(SIGTERM);
  EXPECT_EQ(varnok.WaitForExit(30s), 0) << varnok.Output();
  EXPECT_EQ(ReadFileOrEmpty(dir / "update/varnok"), program);
  EXPECT_EQ(Mode(dir / "update/varnok"), 0755u);
  // Cancel: nothing was installed.
  EXPECT_EQ(ReadFileOrEmpty(dir / "varnok"), program + "older release");
}

TEST_F(UpdateEndToEndTest, ForgedOrOlderReleasesAreNeverInstalled) {
  Vendor attacker;
  Publish(attacker.Description("1.0.0.2", program));
  Environment env = CheckingEnvironment(site, vendor.publicKey());
  env["VARNOK_UPDATE_RETRY_MS"] = "100";
  env["VARNOK_UPDATE_AUTO_ACCEPT"] = "1";
  const std::string target = InstallOlderProgram(dir.path());
  ChildProcess varnok({target, "--headless", "--verbose"}, env, dir.path());

  // Checks run one after the other: a second description request means the first
  // check, download included, has ended.
  ASSERT_TRUE(WaitUntil([&] { return site.Requests("software/update.xml") >= 2; }, 60s)) << varnok.Output();
  EXPECT_TRUE(varnok.Running()) << "a forged update was accepted\n" << varnok.Output();
  EXPECT_NE(varnok.Output().find("signature does not verify"), std::string::npos) << varnok.Output();

  // The vendor's own signature of an older release is no way back either. A check that
  // begins after the description is changed sees the change; once two have begun, every
  // check that saw the forged one has ended, its download included.
  site.Put("software/update.xml", vendor.Description("1.0.0.0", program));
  const int checks = site.Requests("software/update.xml");
  ASSERT_TRUE(WaitUntil([&] { return site.Requests("software/update.xml") >= checks + 2; }, 60s)) << varnok.Output();
  const int downloads = site.Requests("software/varnok");
  ASSERT_TRUE(WaitUntil([&] { return site.Requests("software/update.xml") >= checks + 4; }, 60s)) << varnok.Output();
  EXPECT_EQ(site.Requests("software/varnok"), downloads);
  EXPECT_TRUE(varnok.Running()) << varnok.Output();
  EXPECT_NE(varnok.Output().find("not newer"), std::string::npos) << varnok.Output();

  varnok.Signal(SIGTERM);
  EXPECT_EQ(varnok.WaitForExit(30s), 0) << varnok.Output();
  EXPECT_EQ(ReadFileOrEmpty(target), program + "older release");
  // The forged release was downloaded and stays, never installed.
  EXPECT_EQ(ReadFileOrEmpty(dir / "update/varnok"), program);
}

TEST_F(UpdateEndToEndTest, ProgramWithoutAKeyOffersNothingAndSaysSoOnce) {
  Publish(vendor.Description("1.0.0.2", program));
  Environment env = CheckingEnvironment(site, "");
  env["VARNOK_UPDATE_RETRY_MS"] = "50";
  env["VARNOK_UPDATE_AUTO_ACCEPT"] = "1";
  const std::string target = InstallOlderProgram(dir.path());
  ChildProcess varnok({target, "--headless", "--verbose"}, env, dir.path());

  const std::string said = "no usable update key";
  ASSERT_TRUE(WaitUntil([&] { return varnok.Output().find(said) != std::string::npos; }, 60s)) << varnok.Output();
  std::this_thread::sleep_for(1s);  // room for many more checks
  EXPECT_TRUE(varnok.Running()) << varnok.Output();
  EXPECT_FALSE(LoadedDownloadLibraries(varnok.pid()));
  varnok.Signal(SIGTERM);
  EXPECT_EQ(varnok.WaitForExit(30s), 0) << varnok.Output();
  EXPECT_EQ(Occurrences(varnok.Output(), said), 1u) << varnok.Output();
  EXPECT_EQ(site.Requests("software/update.xml"), 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "update"));
  EXPECT_EQ(ReadFileOrEmpty(target), program + "older release");
}

class InstallModeTest : public ::testing::TestWithParam<const char*> {};

TEST_P(InstallModeTest, CopiesItselfOverTheProgramAboveAndStartsIt) {
  TempDir root;
  const std::string programDir = root / "a/b/";
  const std::string installer = programDir + GetParam();
  InstallOlderProgram(programDir);
  std::filesystem::create_directories(std::filesystem::path(installer).parent_path());
  std::filesystem::copy_file(std::getenv("VARNOK_BINARY"), installer);

  ChildProcess install({installer, "-update"}, QuietEnvironment(), root.path());
  EXPECT_EQ(install.WaitForExit(60s), 0) << install.Output();
  EXPECT_EQ(ReadFileOrEmpty(programDir + "varnok"), BuiltProgram());
  EXPECT_EQ(Mode(programDir + "varnok"), 0755u);
  // The installer keeps its own state file beside itself.
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(installer).parent_path() / "varnok.ini"));
  EXPECT_TRUE(WaitUntil([&] { return StartedNormally(programDir); }, 60s)) << install.Output();
  StopStartedProgram(programDir + "varnok");
}

INSTANTIATE_TEST_SUITE_P(Locations, InstallModeTest,
                         ::testing::Values("update/varnok", "i41update/varnok", "update/i41varnok"));

TEST(InstallModeBusyTest, WaitsUntilTheOldProgramHasExited) {
  TempDir root;
  const std::string programDir = root / "a/b/";
  const std::string target = InstallOlderProgram(programDir);
  const std::string installer = InstallProgramCopy(programDir + "update/");
  const Environment env = QuietEnvironment();
  ChildProcess old({target, "--headless"}, env, root.path());
  ASSERT_TRUE(WaitUntil([&] { return StartedNormally(programDir); }, 30s)) << old.Output();

  ChildProcess install({installer, "-update"}, env, root.path());
  std::this_thread::sleep_for(1500ms);  // several attempts, none may replace a running program
  EXPECT_TRUE(install.Running());
  EXPECT_EQ(ReadFileOrEmpty(target), BuiltProgram() + "older release");

  old.Signal(SIGTERM);
  EXPECT_EQ(old.WaitForExit(30s), 0) << old.Output();
  EXPECT_EQ(install.WaitForExit(60s), 0) << install.Output();
  EXPECT_EQ(ReadFileOrEmpty(target), BuiltProgram());
  // The old program had saved its state before the new one was put in place.
  EXPECT_LE(std::filesystem::last_write_time(programDir + "varnok.ini"), std::filesystem::last_write_time(target));
  EXPECT_TRUE(WaitUntil([&] { return !ProcessesRunning(target).empty(); }, 30s));
  StopStartedProgram(target);
}

TEST(InstallModeBusyTest, OnlyTheExactSwitchInAnUpdateDirectoryInstalls) {
  // Outside an update directory, in one whose name only ends in "update", and with an
  // address that ends in "-update" (as another program may hand one over).
  const struct {
    const char* directory;
    const char* last;
  } starts[] = {{"a/b/", "-update"}, {"a/b/myupdate/", "-update"}, {"a/b/update/", "http://x/get-update"}};
  for (const auto& start : starts) {
    TempDir root;
    const std::string above = InstallOlderProgram(root / "a/b/");
    const std::string programDir = root / start.directory;
    const std::string exe = programDir == root / "a/b/" ? above : InstallProgramCopy(programDir);
    ChildProcess varnok({exe, "--headless", start.last}, QuietEnvironment(), root.path());
    EXPECT_TRUE(WaitUntil([&] { return StartedNormally(programDir); }, 30s)) << varnok.Output();
    varnok.Signal(SIGTERM);
    EXPECT_EQ(varnok.WaitForExit(30s), 0) << varnok.Output();
    EXPECT_FALSE(std::filesystem::exists(root / "a/varnok")) << start.directory;
    EXPECT_EQ(ReadFileOrEmpty(above), BuiltProgram() + "older release") << start.directory;
  }
}

using AcceptedUpdateTest = UpdateEndToEndTest;

TEST_F(AcceptedUpdateTest, ProgramClosesAndItsInstallerReplacesIt) {
  Publish(vendor.Description("1.0.0.2", program));
  const std::string programDir = dir / "p/";
  const std::string target = InstallOlderProgram(programDir);
  Environment env = CheckingEnvironment(site, vendor.publicKey());
  env["VARNOK_UPDATE_AUTO_ACCEPT"] = "1";

  ChildProcess varnok({target, "--headless"}, env, dir.path());
  // Once the old program has read the offer, the site stops offering, so the installed
  // program (long after: the installer waits for the old one to exit) does not update again.
  ASSERT_TRUE(WaitUntil([&] { return site.Requests("software/update.xml") >= 1; }, 60s)) << varnok.Output();
  site.Put("software/update.xml", vendor.Description("1.0.0.1", program));
  EXPECT_EQ(varnok.WaitForExit(60s), 0) << varnok.Output();
  EXPECT_TRUE(WaitUntil([&] { return ReadFileOrEmpty(target) == program; }, 60s)) << varnok.Output();
  EXPECT_LE(std::filesystem::last_write_time(programDir + "varnok.ini"), std::filesystem::last_write_time(target));
  EXPECT_TRUE(std::filesystem::exists(programDir + "update/varnok.ini"));
  EXPECT_TRUE(WaitUntil([&] { return !ProcessesRunning(target).empty(); }, 30s)) << varnok.Output();
  StopStartedProgram(target);
  StopStartedProgram(programDir + "update/varnok");
}

}  // namespace
