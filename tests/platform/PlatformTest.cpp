#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <future>
#include <thread>

#include "platform/AccountHome.h"
#include "platform/ExecutablePath.h"
#include "platform/FileUtil.h"
#include "platform/OnDemandLibrary.h"
#include "platform/GbkCodec.h"
#include "platform/ProcessLauncher.h"
#include "platform/ProcessScan.h"
#include "platform/SharedMemoryToken.h"
#include "platform/SocketOwner.h"
#include "support/ChildProcess.h"
#include "support/OtherAccount.h"
#include "support/RawHttp.h"
#include "support/TempDir.h"

namespace {

using Parts = std::vector<std::string>;

TEST(ProcessLauncherTest, SplitsAQuotedPathAndTheRest) {
  EXPECT_EQ(platform::SplitCommandLine("\"/a b/varnok\"-update"), (Parts{"/a b/varnok", "-update"}));
  EXPECT_EQ(platform::SplitCommandLine("\"/a/varnok\" -update  x"), (Parts{"/a/varnok", "-update", "x"}));
  EXPECT_EQ(platform::SplitCommandLine("/a/varnok"), Parts{"/a/varnok"});
  EXPECT_EQ(platform::SplitCommandLine("\"/unterminated"), Parts{"/unterminated"});
  EXPECT_TRUE(platform::SplitCommandLine("  ").empty());
}

TEST(ProcessLauncherTest, LaunchedProgramRunsOnItsOwn) {
  TempDir dir;
  const std::string marker = dir / "launched";
  WriteFileOrDie(dir / "script.sh", "#!/bin/sh\necho \"$1\" > " + marker + "\n");
  chmod((dir / "script.sh").c_str(), 0755);
  ASSERT_TRUE(platform::LaunchDetached("\"" + dir / "script.sh" + "\"-update"));
  ASSERT_TRUE(WaitUntil([&] { return ReadFileOrEmpty(marker) == "-update\n"; }, std::chrono::seconds(10)));
  EXPECT_FALSE(platform::LaunchDetached(""));
}

TEST(ProcessScanTest, CountsByExactExecutableName) {
  const std::string self = platform::ExecutablePath();
  const std::string name = self.substr(self.rfind('/') + 1);
  EXPECT_GE(platform::CountProcessesNamed(name, 10), 1);
  EXPECT_EQ(platform::CountProcessesNamed(name.substr(0, name.size() - 1), 10), 0);
  EXPECT_FALSE(platform::AnyOtherProcessRuns(self + "-nonexistent"));
  ChildProcess sleeper({"/bin/sleep", "30"});
  ASSERT_TRUE(WaitUntil([] { return platform::AnyOtherProcessRuns("/usr/bin/sleep"); }, std::chrono::seconds(5)));
}

TEST(SharedMemoryTokenTest, PublishedWhileAliveAndGoneAfterwards) {
  const std::string url = UniqueSiteUrl();
  EXPECT_EQ(platform::SharedMemoryToken::ReadHead(url), "");
  {
    platform::SharedMemoryToken token(url);
    ASSERT_TRUE(token.IsOpen());
    EXPECT_EQ(platform::SharedMemoryToken::ReadHead(url), url);
  }
  EXPECT_EQ(platform::SharedMemoryToken::ReadHead(url), "");
}

TEST(SharedMemoryTokenTest, ASecondHolderLeavingDoesNotTakeTheFirstOnesToken) {
  const std::string url = UniqueSiteUrl();
  platform::SharedMemoryToken first(url);
  { platform::SharedMemoryToken second(url); }
  EXPECT_EQ(platform::SharedMemoryToken::ReadHead(url), url);
  EXPECT_TRUE(platform::SharedMemoryToken::IsHeld(url));
}

TEST(SharedMemoryTokenTest, ATokenLeftByAKilledProcessIsNotHeldAndIsTakenOver) {
  const std::string url = UniqueSiteUrl();
  pid_t child = fork();
  if (child == 0) {
    new platform::SharedMemoryToken(url);  // never destroyed: the process dies holding it
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(platform::SharedMemoryToken::ReadHead(url), url);
  EXPECT_FALSE(platform::SharedMemoryToken::IsHeld(url));
  {
    platform::SharedMemoryToken next(url);
    EXPECT_TRUE(platform::SharedMemoryToken::IsHeld(url));
  }
  EXPECT_EQ(platform::SharedMemoryToken::ReadHead(url), "");
}

TEST(SharedMemoryTokenTest, AnotherAccountCanNeitherHoldNorStandInForOurToken) {
  if (!CanActAsOtherAccount()) GTEST_SKIP() << "needs root to act as another account";
  const std::string url = UniqueSiteUrl();
  const std::string name = platform::SharedMemoryToken::SectionName(url);
  EXPECT_NE(name.find("-" + std::to_string(geteuid()) + "-"), std::string::npos);
  // The other account makes a section of our name first, naming a live process as owner.
  const std::string self = std::to_string(getpid());
  auto made = RunAsOtherAccount([&] {
    int fd = shm_open(name.c_str(), O_CREAT | O_EXCL | O_RDWR, 0666);
    if (fd < 0 || ftruncate(fd, platform::SharedMemoryToken::kSize) != 0) return std::string("failed");
    pwrite(fd, url.c_str(), url.size() + 1, 0);
    pwrite(fd, self.c_str(), self.size(), platform::SharedMemoryToken::kPidOffset);
    close(fd);
    return std::string("made");
  });
  ASSERT_EQ(made, std::optional<std::string>("made"));
  EXPECT_FALSE(platform::SharedMemoryToken::IsHeld(url));
  EXPECT_EQ(platform::SharedMemoryToken::ReadHead(url), "");
  {
    platform::SharedMemoryToken ours(url);
    EXPECT_FALSE(ours.IsOpen());  // not ours to write
  }
  struct stat status {};
  const std::string path = "/dev/shm" + name;
  EXPECT_EQ(stat(path.c_str(), &status), 0);  // and not ours to remove
  shm_unlink(name.c_str());
}

// Accepts one connection on `listener` and asks who owns its other end, once by its
// descriptor and once by the addresses accept() and the listener gave, as the server
// asks; both must agree.
std::optional<uid_t> OwnerOfNextConnection(int listener) {
  platform::ConnectionAddresses addresses;
  socklen_t peerSize = sizeof addresses.peer, oursSize = sizeof addresses.ours;
  int accepted = accept(listener, reinterpret_cast<sockaddr*>(&addresses.peer), &peerSize);
  if (accepted < 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&addresses.ours), &oursSize) != 0)
    return std::nullopt;
  std::optional<uid_t> owner = platform::PeerSocketOwner(accepted);
  EXPECT_EQ(platform::PeerSocketOwner(addresses), owner);
  close(accepted);
  return owner;
}

TEST(SocketOwnerTest, NamesTheAccountOfTheConnectingProcess) {
  int port = 0;
  const int listener = ListenOnLoopback(&port);
  ASSERT_GE(listener, 0);
  int client = ConnectLoopback(port);
  EXPECT_EQ(OwnerOfNextConnection(listener), geteuid());
  // A client that has already closed its socket belongs to nobody any more.
  close(client);
  client = ConnectLoopback(port);
  close(client);
  EXPECT_EQ(OwnerOfNextConnection(listener), std::nullopt);

  if (CanActAsOtherAccount()) {
    std::thread other([port] {
      RunAsOtherAccount([port] {
        int fd = ConnectLoopback(port);
        char byte;
        recv(fd, &byte, 1, 0);  // holds the socket until the server closes it
        return std::string();
      });
    });
    EXPECT_EQ(OwnerOfNextConnection(listener), kOtherAccount);
    other.join();
  }
  close(listener);

  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  EXPECT_EQ(platform::PeerSocketOwner(pair[0]), geteuid());
  close(pair[0]);
  close(pair[1]);
}

TEST(SocketOwnerTest, AlsoOverIPv6Loopback) {
  const int listener = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in6 address{};
  address.sin6_family = AF_INET6;
  address.sin6_addr = in6addr_loopback;
  socklen_t size = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(listener);
    GTEST_SKIP() << "no IPv6 loopback";
  }
  ASSERT_EQ(listen(listener, 4), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size), 0);
  const int client = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(OwnerOfNextConnection(listener), geteuid());
  close(client);
  close(listener);
}

// A library missing, or missing the function asked for, gives no function; the caller
// goes on and reports the failure its own way.
TEST(OnDemandLibraryTest, GivesTheFunctionOrNothing) {
  platform::OnDemandLibrary math("libm.so.6"), missing("libvarnok-no-such-library.so.1");
  auto* cosine = math.function<double(double)>("cos");
  ASSERT_NE(cosine, nullptr);
  EXPECT_EQ(cosine(0.0), 1.0);
  EXPECT_EQ(math.function<double(double)>("no_such_function"), nullptr);
  EXPECT_EQ(missing.function<double(double)>("cos"), nullptr);
  EXPECT_EQ(missing.function<double(double)>("cos"), nullptr);  // asked again, still nothing
}

TEST(FileUtilTest, AtomicWriteReplacesAndLeavesNoTemporaryFiles) {
  TempDir dir;
  ASSERT_TRUE(platform::WriteFileAtomically(dir / "f", "one"));
  ASSERT_TRUE(platform::WriteFileAtomically(dir / "f", "two"));
  EXPECT_EQ(ReadFileOrEmpty(dir / "f"), "two");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  EXPECT_FALSE(platform::WriteFileAtomically(dir / "missing/f", "x"));
}

TEST(FileUtilTest, AReaderOfTheOldFileKeepsAllOfItAndTheNewOneTakesItsPlaceWhole) {
  TempDir dir;
  const std::string oldBytes(300000, 'o'), newBytes(200000, 'n');
  for (bool durable : {false, true}) {
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "page.htm", oldBytes, durable));
    const int reader = open((dir / "page.htm").c_str(), O_RDONLY);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "page.htm", newBytes, durable, 0640));
    std::string seen(oldBytes.size() + 1, '\0');
    EXPECT_EQ(pread(reader, seen.data(), seen.size(), 0), static_cast<ssize_t>(oldBytes.size())) << durable;
    EXPECT_EQ(seen.substr(0, oldBytes.size()), oldBytes) << durable;
    close(reader);
    EXPECT_EQ(ReadFileOrEmpty(dir / "page.htm"), newBytes) << durable;
    struct stat st;
    ASSERT_EQ(stat((dir / "page.htm").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << durable;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << durable;
  }
}

TEST(FileUtilTest, ADirectoryInTheWayIsNeitherReplacedNorMoved) {
  TempDir dir;
  ASSERT_EQ(mkdir((dir / "menu.htm").c_str(), 0700), 0);
  for (bool durable : {false, true}) {
    EXPECT_FALSE(platform::WriteFileAtomically(dir / "menu.htm", "page", durable));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "menu.htm"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << durable;
  }
}

TEST(AccountHomeTest, ALookUpThatHangsIsGivenUpAndHangingOnesAreCapped) {
  using platform::DeadlinedLookup;
  EXPECT_EQ(DeadlinedLookup::Run(platform::PasswordDatabaseHome, "root", std::chrono::seconds(30)), "/root");
  EXPECT_EQ(DeadlinedLookup::Run(platform::PasswordDatabaseHome, "no-such-account", std::chrono::seconds(30)),
            std::nullopt);
  // A directory service that stops answering.
  std::promise<void> answer;
  std::shared_future<void> answered = answer.get_future().share();
  const auto hanging = [answered](const std::string&) -> std::optional<std::string> {
    answered.wait();
    return "/late";
  };
  const auto quick = [](const std::string&) -> std::optional<std::string> { return "/home/a"; };
  for (int i = 0; i < DeadlinedLookup::kMaxHanging; ++i)
    EXPECT_EQ(DeadlinedLookup::Run(hanging, "x", std::chrono::milliseconds(20)), std::nullopt);
  EXPECT_EQ(DeadlinedLookup::Run(quick, "a", std::chrono::seconds(30)), std::nullopt) << "beyond the cap";
  answer.set_value();
  EXPECT_TRUE(WaitUntil([&] { return DeadlinedLookup::Run(quick, "a", std::chrono::seconds(30)) == "/home/a"; },
                        std::chrono::seconds(30)));
}

TEST(GbkCodecTest, RoundTripsChineseAndSurvivesBadBytes) {
  const std::string utf8 = "\xe6\x94\xb6\xe8\x97\x8f\xe5\xa4\xb9";  // 收藏夹
  EXPECT_EQ(platform::Utf8ToGbk(utf8), "\xca\xd5\xb2\xd8\xbc\xd0");
  EXPECT_EQ(platform::GbkToUtf8("\xca\xd5\xb2\xd8\xbc\xd0"), utf8);
  EXPECT_EQ(platform::GbkToUtf8("ab\xff"), "ab?");
}

TEST(GbkCodecTest, ExactConversionsRefuseWhatTheOtherSideCannotHold) {
  EXPECT_EQ(platform::Utf8ToGbkExactly("\xe6\x94\xb6" "a"), std::optional<std::string>("\xca\xd5" "a"));
  // An emoji, a cut UTF-8 sequence: no GBK for them.
  EXPECT_FALSE(platform::Utf8ToGbkExactly("a\xf0\x9f\x98\x80"));
  EXPECT_FALSE(platform::Utf8ToGbkExactly("\xe6\x94"));
  EXPECT_EQ(platform::GbkToUtf8Exactly("\xca\xd5\x81\x40"), std::optional<std::string>("\xe6\x94\xb6\xe4\xb8\x82"));
  // A lone lead byte, a byte GBK never uses.
  EXPECT_FALSE(platform::GbkToUtf8Exactly("\xca"));
  EXPECT_FALSE(platform::GbkToUtf8Exactly("a\xff"));
  EXPECT_EQ(platform::GbkToUtf8Exactly(""), std::optional<std::string>(""));
}

}  // namespace
