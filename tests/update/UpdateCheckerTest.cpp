#include "update/UpdateChecker.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "app/GbkText.h"
#include "app/PendingCommand.h"
#include "support/RawHttp.h"
#include "update/FakeWindows.h"
#include "update/LocalSite.h"

namespace {

using namespace std::chrono_literals;

std::string Md5(const std::string& bytes) {
  std::string hex;
  Md5HexOf(bytes, &hex);
  return hex;
}

std::string Description(const std::string& version, const std::string& md5, bool marker = true) {
  return std::string("<?xml version=\"1.0\" encoding=\"gb2312\"?>\n<update>") +
         (marker ? UpdateDescription::kMarker : "") + "<software><version>" + version + "</version><md5>" + md5 +
         "</md5></software></update>\n";
}

// Binary bytes, zeros included, as a program file has them.
std::string ProgramBytes() {
  std::string bytes;
  for (unsigned i = 0; i < 300000; ++i) bytes.push_back(static_cast<char>((i * 7919u) % 251u));
  return bytes;
}

class UpdateCheckerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPendingCommand("");
    site.Put("software/varnok", program);
  }

  UpdateChecker::Options Options() {
    UpdateChecker::Options options;
    options.pause = 0ms;
    options.timeout = 2000ms;
    options.descriptionUrl = site.Url() + "software/update.xml";
    options.programUrl = site.Url() + "software/varnok";
    options.moduleDirectory = dir.path();
    options.localVersion = "1.0.0.1";
    options.random = [] { return 41; };
    options.windows = [this] { return &windows; };
    return options;
  }

  bool Check(const std::string& description) {
    site.Put("software/update.xml", description);
    return UpdateChecker(Options()).Run();
  }

  const std::string program = ProgramBytes();
  TempDir dir;
  LocalSite site;
  FakeWindows windows;
};

TEST(Md5HexTest, WritesUpperCaseHexAndReportsFailure) {
  std::string hex;
  EXPECT_EQ(Md5HexOf("abc", &hex), 0u);
  EXPECT_EQ(hex, "900150983CD24FB0D6963F7D28E17F72");
  EXPECT_NE(DigestHex("abc", 3, nullptr, &hex), 0u);
  EXPECT_TRUE(hex.empty());
}

TEST(UpdateDescriptionTest, SearchesTheBytesForTheMarkerAndTheFieldsAfterSoftware) {
  const std::string marker = UpdateDescription::kMarker;
  auto parsed = UpdateDescription::Parse(Description(" 1.0.0.2\n", "ABC"));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->version, " 1.0.0.2\n");
  EXPECT_EQ(parsed->md5, "ABC");
  EXPECT_TRUE(UpdateDescription::Parse("<software><version>2</version><md5>X</md5>" + marker));
  EXPECT_FALSE(UpdateDescription::Parse(Description("1.0.0.2", "ABC", false)));
  EXPECT_FALSE(UpdateDescription::Parse(marker + "<version>2</version><md5>X</md5><software>"));
  EXPECT_FALSE(UpdateDescription::Parse(marker + "<software><version>2</version><md5>X"));
  // The document ends at its first zero byte, as the old zero-terminated buffer did.
  EXPECT_FALSE(UpdateDescription::Parse(marker + '\0' + Description("2", "X")));
}

TEST_F(UpdateCheckerTest, CancelKeepsTheVerifiedProgramAndArrangesNothing) {
  std::filesystem::create_directories(dir / "update");
  WriteFileOrDie(dir / "update/varnok", "an old download is replaced in place");

  EXPECT_TRUE(Check(Description("1.0.0.2", Md5(program))));
  EXPECT_EQ(ReadFileOrEmpty(dir / "update/varnok"), program);
  EXPECT_EQ(std::filesystem::status(dir / "update/varnok").permissions(), std::filesystem::perms(0755));
  ASSERT_EQ(windows.questions.size(), 1u);
  EXPECT_EQ(windows.questions[0], gbk::kUpdateQuestion);
  EXPECT_EQ(windows.captions[0], MainTitle());
  EXPECT_TRUE(windows.posted.empty());
  EXPECT_EQ(PendingCommand(), "");
}

TEST_F(UpdateCheckerTest, OkLeavesTheInstallCommandAndAsksTheWindowToClose) {
  windows = FakeWindows(true);
  EXPECT_TRUE(Check(Description("1.0.0.2", Md5(program))));
  EXPECT_EQ(PendingCommand(), "\"" + dir / "update/varnok" + "\"-update");
  EXPECT_EQ(windows.posted, std::vector<MainWindowNotice>{MainWindowNotice::kExitRequest});
}

TEST_F(UpdateCheckerTest, DescriptionsThatOfferNothingDownloadNothing) {
  const std::string md5 = Md5(program);
  for (const std::string& description : {Description("1.0.0.1", md5), Description("1.0.0.2", md5, false),
                                         Description("1.0.0.2", md5).substr(0, 140), std::string()})
    EXPECT_FALSE(Check(description)) << description;
  // No description at all: the site's error page is read and has no marker.
  UpdateChecker::Options options = Options();
  options.descriptionUrl = site.Url() + "software/missing.xml";
  EXPECT_FALSE(UpdateChecker(options).Run());
  EXPECT_EQ(site.Requests("software/varnok"), 0);
  EXPECT_TRUE(windows.questions.empty());
}

TEST_F(UpdateCheckerTest, AnyOtherVersionTextDownloadsAgain) {
  for (const char* version : {"1.0.0.1 ", "1.0.0.1\n", "1.0.0.0"})
    EXPECT_TRUE(Check(Description(version, Md5(program)))) << version;
  EXPECT_EQ(site.Requests("software/varnok"), 3);
}

TEST_F(UpdateCheckerTest, UnverifiedDownloadsStayOnDiskAndAreNeverOffered) {
  std::string lower = Md5(program);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_FALSE(Check(Description("1.0.0.2", lower)));
  EXPECT_EQ(ReadFileOrEmpty(dir / "update/varnok"), program);

  // A digest that cannot be computed fails the check.
  UpdateChecker::Options options = Options();
  options.digest = [](const std::string&, std::string*) { return 1ul; };
  site.Put("software/update.xml", Description("1.0.0.2", Md5(program)));
  EXPECT_FALSE(UpdateChecker(options).Run());

  // A missing program: its error page is downloaded like content and fails the digest.
  options = Options();
  options.programUrl = site.Url() + "software/missing";
  EXPECT_FALSE(UpdateChecker(options).Run());
  EXPECT_NE(ReadFileOrEmpty(dir / "update/varnok").find("404"), std::string::npos);
  EXPECT_TRUE(windows.questions.empty());
}

TEST_F(UpdateCheckerTest, UnwritableUpdateFileSendsTheDownloadToAFallbackDirectory) {
  windows = FakeWindows(true);
  // A directory where the file should be: opening it for writing fails even for root.
  std::filesystem::create_directories(dir / "update/varnok");
  EXPECT_TRUE(Check(Description("1.0.0.2", Md5(program))));
  EXPECT_EQ(ReadFileOrEmpty(dir / "i41update/varnok"), program);
  EXPECT_EQ(PendingCommand(), "\"" + dir / "i41update/varnok" + "\"-update");

  // With every fall-back name taken the check gives up instead of looping forever.
  int draws = 0;
  UpdateChecker::Options options = Options();
  options.random = [&] { return ++draws, 41; };
  EXPECT_FALSE(UpdateChecker(options).Run());
  EXPECT_EQ(draws, 100);
}

TEST_F(UpdateCheckerTest, UnreachableOrSilentSiteFails) {
  UpdateChecker::Options options = Options();
  options.descriptionUrl = "http://127.0.0.1:" + std::to_string(FindFreePort()) + "/software/update.xml";
  EXPECT_FALSE(UpdateChecker(options).Run());

  // Listening but never answering: connections queue in the backlog.
  int port = 0;
  int silent = ListenOnLoopback(&port, 4);
  ASSERT_GE(silent, 0);
  options.descriptionUrl = "http://127.0.0.1:" + std::to_string(port) + "/software/update.xml";
  options.timeout = 1000ms;
  EXPECT_FALSE(UpdateChecker(options).Run());
  close(silent);
}

TEST_F(UpdateCheckerTest, OnlyTheFirst4087BytesOfTheDescriptionCount) {
  const std::string description = Description("1.0.0.2", Md5(program));
  const size_t digestEnd = description.find("</md5>") + 6;
  EXPECT_TRUE(Check(description + std::string(100000, 'x')));
  EXPECT_TRUE(Check(std::string(UpdateDescription::kMaxBytes - digestEnd, ' ') + description));
  // One byte more and the closing digest tag no longer fits.
  EXPECT_FALSE(Check(std::string(UpdateDescription::kMaxBytes - digestEnd + 1, ' ') + description));
}

}  // namespace
