#include "update/UpdateChecker.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ace/Log_Msg.h>

#include <atomic>
#include <filesystem>
#include <sstream>
#include <thread>

#include "app/GbkText.h"
#include "app/PendingCommand.h"
#include "support/ChildProcess.h"
#include "support/RawHttp.h"
#include "update/FakeWindows.h"
#include "update/Md5Hex.h"
#include "update/LocalSite.h"
#include "update/TestSigner.h"

namespace {

using namespace std::chrono_literals;

std::string Md5(const std::string& bytes) {
  std::string hex;
  Md5HexOf(bytes, &hex);
  return hex;
}

// Without a signature the description is written as the earlier releases' site wrote it.
std::string Description(const std::string& version, const std::string& md5,
                        const std::optional<std::string>& signature = std::nullopt, bool marker = true) {
  return std::string("<?xml version=\"1.0\" encoding=\"gb2312\"?>\n<update>") +
         (marker ? UpdateDescription::kMarker : "") + "<software><version>" + version + "</version><md5>" + md5 +
         "</md5>" + (signature ? "<signature>" + *signature + "</signature>" : "") + "</software></update>\n";
}

// What the update check writes to the debug log on this thread while it lives.
class LogCapture {
 public:
  LogCapture() {
    ACE_LOG_MSG->msg_ostream(&stream_, false);
    ACE_LOG_MSG->set_flags(ACE_Log_Msg::OSTREAM);
    ACE_LOG_MSG->clr_flags(ACE_Log_Msg::STDERR);
    ACE_LOG_MSG->priority_mask(ACE_LOG_MSG->priority_mask(ACE_Log_Msg::PROCESS) | LM_DEBUG, ACE_Log_Msg::PROCESS);
  }
  ~LogCapture() {
    ACE_LOG_MSG->clr_flags(ACE_Log_Msg::OSTREAM);
    ACE_LOG_MSG->set_flags(ACE_Log_Msg::STDERR);
    ACE_LOG_MSG->msg_ostream(nullptr, false);
  }
  // The log so far, emptied.
  std::string Take() {
    std::string text = stream_.str();
    stream_.str("");
    return text;
  }

 private:
  std::ostringstream stream_;
};

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
    options.stateDirectory = dir.path();
    options.localVersion = "1.0.0.1";
    options.random = [] { return 41; };
    options.windows = [this] { return &windows; };
    options.publicKey = vendor.PublicKeyBase64();
    return options;
  }

  // The description of `program` as the vendor publishes it.
  std::string Signed(const std::string& version) {
    return Description(version, Md5(program), vendor.SignRelease(version, program));
  }

  bool Check(const std::string& description) {
    site.Put("software/update.xml", description);
    return UpdateChecker(Options()).Run();
  }

  const std::string program = ProgramBytes();
  TestSigner vendor;
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
  EXPECT_EQ(parsed->signature, "");
  parsed = UpdateDescription::Parse(Description("2", "ABC", " SIG\n"));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->signature, " SIG\n");
  EXPECT_TRUE(UpdateDescription::Parse("<software><version>2</version><md5>X</md5>" + marker));
  EXPECT_FALSE(UpdateDescription::Parse(Description("1.0.0.2", "ABC", "SIG", false)));
  EXPECT_FALSE(UpdateDescription::Parse(marker + "<version>2</version><md5>X</md5><software>"));
  EXPECT_FALSE(UpdateDescription::Parse(marker + "<software><version>2</version><md5>X"));
  // The document ends at its first zero byte, as the old zero-terminated buffer did.
  EXPECT_FALSE(UpdateDescription::Parse(marker + '\0' + Description("2", "X")));
}

TEST_F(UpdateCheckerTest, CancelKeepsTheVerifiedProgramAndArrangesNothing) {
  std::filesystem::create_directories(dir / "update");
  WriteFileOrDie(dir / "update/varnok", "an old download is replaced in place");

  EXPECT_TRUE(Check(Signed("1.0.0.2")));
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
  EXPECT_TRUE(Check(Signed("1.0.0.2")));
  EXPECT_EQ(PendingCommand(), "\"" + dir / "update/varnok" + "\"-update");
  EXPECT_EQ(windows.posted, std::vector<MainWindowNotice>{MainWindowNotice::kExitRequest});
}

TEST_F(UpdateCheckerTest, DescriptionsThatOfferNothingDownloadNothing) {
  const std::string md5 = Md5(program);
  const std::string signature = vendor.SignRelease("1.0.0.2", program);
  for (const std::string& description : {Signed("1.0.0.1"), Description("1.0.0.2", md5, signature, false),
                                         Description("1.0.0.2", md5, signature).substr(0, 140), std::string()})
    EXPECT_FALSE(Check(description)) << description;
  // No description at all: the site's error page is read and has no marker.
  UpdateChecker::Options options = Options();
  options.descriptionUrl = site.Url() + "software/missing.xml";
  EXPECT_FALSE(UpdateChecker(options).Run());
  EXPECT_EQ(site.Requests("software/varnok"), 0);
  EXPECT_TRUE(windows.questions.empty());
}

TEST_F(UpdateCheckerTest, OnlyNewerVersionsAreDownloadedAndOffered) {
  // Even the vendor's own signature does not bring back an older release, and a version
  // that is not plain dotted numbers is never newer.
  for (const char* version : {"1.0.0.1", "1.0.0.1.0", "1.0.0.0", "0.9", "1.0.0.2 ", "1.0.0.2\n", "v1.0.0.2", ""})
    EXPECT_FALSE(Check(Signed(version))) << version;
  EXPECT_EQ(site.Requests("software/varnok"), 0);

  EXPECT_TRUE(Check(Signed("1.0.1")));
  UpdateChecker::Options options = Options();
  options.localVersion = "1.0.0.9";
  site.Put("software/update.xml", Signed("1.0.0.10"));
  EXPECT_TRUE(UpdateChecker(options).Run());
  EXPECT_EQ(site.Requests("software/varnok"), 2);
  EXPECT_EQ(windows.questions.size(), 2u);
}

TEST_F(UpdateCheckerTest, UnsignedOrForgedUpdatesAreNeverOffered) {
  LogCapture log;
  const std::string md5 = Md5(program);
  const std::string genuine = vendor.SignRelease("1.0.0.2", program);
  const std::string raw = UpdateKey::SignatureFromBase64(genuine).value();
  std::string flipped = raw;
  flipped[10] = static_cast<char>(flipped[10] ^ 0x20);
  struct Forgery {
    std::string description;
    std::string loggedReason;
  };
  const Forgery refusedBeforeDownload[] = {
      {Description("1.0.0.2", md5), "carries no signature"},
      {Description("1.0.0.2", md5, ""), "carries no signature"},
      {Description("1.0.0.2", md5, "not a signature"), "not Base64 of 64 bytes"},
      {Description("1.0.0.2", md5, EncodeBase64(raw.substr(0, 63))), "not Base64 of 64 bytes"},
      {Description("1.0.0.2", md5, genuine.substr(0, 44) + "\n" + genuine.substr(44)), "not Base64 of 64 bytes"},
      // A signature anywhere but after "<software>" is not the release's.
      {"<signature>" + genuine + "</signature>" + Description("1.0.0.2", md5), "carries no signature"},
  };
  for (const Forgery& forgery : refusedBeforeDownload) {
    EXPECT_FALSE(Check(forgery.description)) << forgery.description;
    EXPECT_NE(log.Take().find(forgery.loggedReason), std::string::npos) << forgery.description;
  }
  EXPECT_EQ(site.Requests("software/varnok"), 0);

  const Forgery refusedAfterDownload[] = {
      {Description("1.0.0.2", md5, TestSigner().SignRelease("1.0.0.2", program)), "signature does not verify"},
      // The genuine signature of 1.0.0.2 moved to another version...
      {Description("1.0.0.3", md5, genuine), "signature does not verify"},
      // ...and a signature of another program.
      {Description("1.0.0.2", md5, vendor.SignRelease("1.0.0.2", program + "x")), "signature does not verify"},
      {Description("1.0.0.2", md5, EncodeBase64(flipped)), "signature does not verify"},
      {Description("1.0.0.2", Md5("x"), genuine), "does not match its MD5 digest"},
  };
  for (const Forgery& forgery : refusedAfterDownload) {
    EXPECT_FALSE(Check(forgery.description)) << forgery.description;
    EXPECT_NE(log.Take().find(forgery.loggedReason), std::string::npos) << forgery.description;
    // The download stays where it is, but no one is asked to install it.
    EXPECT_EQ(ReadFileOrEmpty(dir / "update/varnok"), program);
  }
  EXPECT_TRUE(windows.questions.empty());
}

TEST_F(UpdateCheckerTest, AnotherProgramWithItsOwnMd5IsRefused) {
  // Someone between us and the site swaps the program and the digest beside it, keeping
  // the vendor's signature of the genuine release.
  const std::string evil = "#!/bin/sh\necho owned\n";
  site.Put("software/varnok", evil);
  EXPECT_FALSE(Check(Description("1.0.0.2", Md5(evil), vendor.SignRelease("1.0.0.2", program))));
  EXPECT_EQ(ReadFileOrEmpty(dir / "update/varnok"), evil);
  EXPECT_TRUE(windows.questions.empty());
  EXPECT_EQ(PendingCommand(), "");
}

bool SaidOnce(const std::string& log, const std::string& phrase) {
  const size_t said = log.find(phrase);
  return said != std::string::npos && log.find(phrase, said + 1) == std::string::npos;
}

// A program without a key, and a shared installation (which its package manager
// updates), fetch nothing and do not even wait.
TEST_F(UpdateCheckerTest, WithoutAUsableKeyOrWithSelfUpdateOffNothingIsFetchedAndTheLogSaysSoOnce) {
  LogCapture log;
  site.Put("software/update.xml", Signed("1.0.0.2"));
  for (const std::string& key :
       {std::string(), std::string("not a key"), EncodeBase64(std::string(31, 'k')), vendor.PublicKeyBase64() + "\n"}) {
    UpdateChecker::Options options = Options();
    options.publicKey = key;
    options.pause = 3600000ms;
    EXPECT_FALSE(UpdateChecker(options).Run()) << key;
  }
  for (int run = 0; run < 2; ++run) {
    UpdateChecker::Options options = Options();
    options.selfUpdates = false;
    options.pause = 3600000ms;
    EXPECT_FALSE(UpdateChecker(options).Run());
  }
  EXPECT_EQ(site.Requests("software/update.xml"), 0);
  EXPECT_TRUE(windows.questions.empty());
  const std::string text = log.Take();
  EXPECT_TRUE(SaidOnce(text, "no usable update key")) << text;
  EXPECT_TRUE(SaidOnce(text, "self-update is off")) << text;
}

TEST_F(UpdateCheckerTest, UnverifiedDownloadsStayOnDiskAndAreNeverOffered) {
  std::string lower = Md5(program);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_FALSE(Check(Description("1.0.0.2", lower, vendor.SignRelease("1.0.0.2", program))));
  EXPECT_EQ(ReadFileOrEmpty(dir / "update/varnok"), program);

  // A digest that cannot be computed fails the check.
  UpdateChecker::Options options = Options();
  options.digest = [](const std::string&, const std::function<bool()>&, ProgramDigests*) { return 1ul; };
  site.Put("software/update.xml", Signed("1.0.0.2"));
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
  EXPECT_TRUE(Check(Signed("1.0.0.2")));
  EXPECT_EQ(ReadFileOrEmpty(dir / "i41update/varnok"), program);
  EXPECT_EQ(PendingCommand(), "\"" + dir / "i41update/varnok" + "\"-update");

  // With every fall-back name taken the check gives up instead of looping forever.
  int draws = 0;
  UpdateChecker::Options options = Options();
  options.random = [&] { return ++draws, 41; };
  EXPECT_FALSE(UpdateChecker(options).Run());
  EXPECT_EQ(draws, 100);
}

TEST_F(UpdateCheckerTest, AProgramClosingDuringThePauseFetchesNothing) {
  site.Put("software/update.xml", Signed("1.0.0.2"));
  UpdateChecker::Options options = Options();
  options.pause = std::chrono::minutes(10);
  std::atomic<int> asked{0};
  std::atomic<bool> closing{false};
  options.closing = [&] {
    ++asked;
    return closing.load();
  };
  std::atomic<bool> done{false};
  bool offered = true;
  std::thread check([&] {
    offered = UpdateChecker(options).Run();
    done = true;
  });
  // The program closes once the check is inside its pause, which has asked whether it
  // is closing; shutdown waits for the update thread, so the pause must end with it.
  ASSERT_TRUE(WaitUntil([&] { return asked.load() > 0; }, 60s));
  EXPECT_FALSE(done.load());
  closing = true;
  EXPECT_TRUE(WaitUntil([&] { return done.load(); }, 60s));
  check.join();
  EXPECT_FALSE(offered);
  EXPECT_EQ(site.Requests("software/update.xml"), 0);
}

TEST_F(UpdateCheckerTest, UnreachableOrSilentSiteFails) {
  UpdateChecker::Options options = Options();
  const ClosedPort closed;
  options.descriptionUrl = "http://127.0.0.1:" + std::to_string(closed.port()) + "/software/update.xml";
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
  const std::string description = Signed("1.0.0.2");
  const size_t signatureEnd = description.find("</signature>") + 12;
  EXPECT_TRUE(Check(description + std::string(100000, 'x')));
  EXPECT_TRUE(Check(std::string(UpdateDescription::kMaxBytes - signatureEnd, ' ') + description));
  // One byte more and the closing signature tag no longer fits.
  EXPECT_FALSE(Check(std::string(UpdateDescription::kMaxBytes - signatureEnd + 1, ' ') + description));
}

}  // namespace
