#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "platform/FileUtil.h"
#include "platform/HandoffListener.h"
#include "platform/HandoffMessage.h"
#include "platform/HandoffSender.h"
#include "platform/PrivateRuntimeDirectory.h"
#include "support/ChildProcess.h"
#include "support/OtherAccount.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;
using platform::HandoffMessage;
using Items = std::vector<std::string>;

sockaddr_un AddressOf(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  return address;
}

// A connected socket, or -1.
int ConnectTo(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  const sockaddr_un address = AddressOf(path);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
  close(fd);
  return -1;
}

TEST(HandoffMessageTest, CarriesItemsWithinTheBoundsAndNothingElse) {
  const Items items{"http://example.org/", "", std::string(HandoffMessage::kMaxItemBytes, 'x'), "\xd6\xd0"};
  const auto encoded = HandoffMessage::Encode(items);
  ASSERT_TRUE(encoded);
  EXPECT_EQ(HandoffMessage::Decode(*encoded), items);
  EXPECT_EQ(HandoffMessage::Decode(*HandoffMessage::Encode({})), Items{});

  // Too many, too long, or a zero byte that would split an item.
  EXPECT_FALSE(HandoffMessage::Encode(Items(HandoffMessage::kMaxItems + 1, "a")));
  EXPECT_FALSE(HandoffMessage::Encode({std::string(HandoffMessage::kMaxItemBytes + 1, 'x')}));
  EXPECT_FALSE(HandoffMessage::Encode({std::string("a\0b", 3)}));
  EXPECT_TRUE(HandoffMessage::Encode(Items(HandoffMessage::kMaxItems, std::string(HandoffMessage::kMaxItemBytes, 'y'))));

  // What a foreign or broken sender might send.
  const std::string opening("varnok-open\0", 12);
  EXPECT_FALSE(HandoffMessage::Decode(""));
  EXPECT_FALSE(HandoffMessage::Decode("varnok-open"));
  EXPECT_FALSE(HandoffMessage::Decode(std::string("other-word\0a\0", 13)));
  EXPECT_FALSE(HandoffMessage::Decode(opening + "cut off"));
  EXPECT_FALSE(HandoffMessage::Decode(opening + std::string(HandoffMessage::kMaxItemBytes + 1, 'x') + '\0'));
  std::string many = opening;
  for (size_t i = 0; i <= HandoffMessage::kMaxItems; ++i) many += std::string("a\0", 2);
  EXPECT_FALSE(HandoffMessage::Decode(many));
}

// Sets XDG_RUNTIME_DIR for one test and puts the old value back.
class RuntimeDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) saved_ = old;
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  }
  void TearDown() override {
    if (saved_.empty())
      unsetenv("XDG_RUNTIME_DIR");
    else
      setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1);
  }
  TempDir runtime;
  std::string saved_;
};

TEST_F(RuntimeDirectoryTest, IsMadePrivateAndRefusedWhenOthersCouldReachIt) {
  std::string error;
  EXPECT_EQ(platform::PrivateRuntimeDirectory(&error), runtime / "varnok/");
  struct stat st;
  ASSERT_EQ(stat((runtime / "varnok").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // Opened to others afterwards, replaced by a link, or handed to another account: refused.
  ASSERT_EQ(chmod((runtime / "varnok").c_str(), 0755), 0);
  EXPECT_EQ(platform::PrivateRuntimeDirectory(&error), "");
  EXPECT_NE(error.find("open to other accounts"), std::string::npos) << error;
  std::filesystem::remove(runtime / "varnok");
  TempDir elsewhere;
  std::filesystem::create_directory_symlink(elsewhere.path(), runtime / "varnok");
  EXPECT_EQ(platform::PrivateRuntimeDirectory(&error), "");
  EXPECT_NE(error.find("not a directory"), std::string::npos) << error;
  std::filesystem::remove(runtime / "varnok");
  if (!CanActAsOtherAccount()) GTEST_SKIP() << "needs root to hand a directory to another account";
  ASSERT_EQ(mkdir((runtime / "varnok").c_str(), 0700), 0);
  ASSERT_EQ(chown((runtime / "varnok").c_str(), kOtherAccount, kOtherAccount), 0);
  EXPECT_EQ(platform::PrivateRuntimeDirectory(&error), "");
  EXPECT_NE(error.find("another account"), std::string::npos) << error;
}

TEST_F(RuntimeDirectoryTest, WithoutARuntimeDirectoryAPrivateOneUnderTmpIsUsed) {
  unsetenv("XDG_RUNTIME_DIR");
  std::string error;
  const std::string expected = "/tmp/varnok-" + std::to_string(geteuid()) + "/";
  EXPECT_EQ(platform::PrivateRuntimeDirectory(&error), expected) << error;
  EXPECT_TRUE(platform::IsPrivateDirectory(expected, &error)) << error;
  // A runtime directory of another account is not taken either.
  if (!CanActAsOtherAccount()) GTEST_SKIP() << "needs root to hand a directory to another account";
  ASSERT_EQ(chown(runtime.path().c_str(), kOtherAccount, kOtherAccount), 0);
  setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  EXPECT_EQ(platform::PrivateRuntimeDirectory(&error), expected) << error;
}

// A listener whose handler records what arrived.
class HandoffListenerTest : public ::testing::Test {
 protected:
  bool Start(platform::HandoffListener& listener, const std::string& answer = "opened\n") {
    std::string error;
    const bool started = listener.Start(
        socketPath,
        [this, answer](const Items& items) {
          std::lock_guard<std::mutex> hold(lock);
          received.push_back(items);
          return answer;
        },
        &error);
    EXPECT_TRUE(started) << error;
    return started;
  }
  std::vector<Items> Received() {
    std::lock_guard<std::mutex> hold(lock);
    return received;
  }
  // A raw client: connects, sends `bytes`, closes its sending side and reads the answer.
  std::string SendRaw(const std::string& bytes) const {
    const int fd = ConnectTo(socketPath);
    if (fd < 0) return "<no connection>";
    size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    shutdown(fd, SHUT_WR);
    std::string answer;
    char buffer[256];
    for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, static_cast<size_t>(n));
    close(fd);
    return answer;
  }

  TempDir dir;
  std::string socketPath = dir / "site.sock";
  std::mutex lock;
  std::vector<Items> received;
};

TEST_F(HandoffListenerTest, DeliversItemsFromThisAccountAndAnswers) {
  platform::HandoffListener listener;
  ASSERT_TRUE(Start(listener));
  struct stat st;
  ASSERT_EQ(lstat(socketPath.c_str(), &st), 0);
  EXPECT_TRUE(S_ISSOCK(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  std::string answer, error;
  ASSERT_TRUE(platform::HandoffSender::Send(socketPath, {"http://a/", "b"}, &answer, &error)) << error;
  EXPECT_EQ(answer, "opened\n");
  ASSERT_TRUE(platform::HandoffSender::Send(socketPath, {}, &answer, &error)) << error;
  EXPECT_EQ(Received(), (std::vector<Items>{{"http://a/", "b"}, {}}));

  // A second program cannot take over a live socket; after Stop it is gone.
  platform::HandoffListener second;
  EXPECT_FALSE(second.Start(socketPath, [](const Items&) { return std::string(); }, &error));
  listener.Stop();
  EXPECT_FALSE(std::filesystem::exists(socketPath));
  EXPECT_FALSE(platform::HandoffSender::Send(socketPath, {"x"}, &answer, &error));
}

TEST_F(HandoffListenerTest, ASocketLeftByAnEndedProgramIsReplaced) {
  const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
  const sockaddr_un address = AddressOf(socketPath);
  ASSERT_EQ(bind(stale, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  close(stale);  // bound, never listening: what a killed program leaves

  platform::HandoffListener listener;
  ASSERT_TRUE(Start(listener));
  std::string answer, error;
  EXPECT_TRUE(platform::HandoffSender::Send(socketPath, {"after"}, &answer, &error)) << error;
  EXPECT_EQ(Received(), std::vector<Items>{{"after"}});
}

TEST_F(HandoffListenerTest, OversizedMalformedAndSilentSendersReachNoHandler) {
  platform::HandoffListener listener;
  ASSERT_TRUE(Start(listener));
  EXPECT_EQ(SendRaw(std::string("varnok-open\0", 12) + std::string(HandoffMessage::kMaxBytes, 'x')), "");
  EXPECT_EQ(SendRaw("GET / HTTP/1.0\r\n\r\n"), "");

  // One that connects and says nothing holds the listener only for a moment.
  const int silent = ConnectTo(socketPath);
  ASSERT_GE(silent, 0);
  std::string answer, error;
  EXPECT_TRUE(platform::HandoffSender::Send(socketPath, {"next"}, &answer, &error)) << error;
  close(silent);
  EXPECT_EQ(Received(), std::vector<Items>{{"next"}});
}

TEST_F(HandoffListenerTest, ASenderGivesUpOnAProgramThatTakesNoConnections) {
  // A program that stalls (stopped, or flooded) with its queue of connections full.
  const int stalled = socket(AF_UNIX, SOCK_STREAM, 0);
  const sockaddr_un address = AddressOf(socketPath);
  ASSERT_EQ(bind(stalled, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(stalled, 0), 0);
  std::vector<int> queued;
  for (int fd; (fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0)) >= 0;) {
    queued.push_back(fd);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) break;
  }
  std::atomic<bool> done{false};
  bool sent = true;
  std::string answer, error;
  std::thread sender([&] {
    sent = platform::HandoffSender::Send(socketPath, {"http://a/"}, &answer, &error, 300ms);
    done = true;
  });
  const bool gaveUp = WaitUntil([&] { return done.load(); }, 20s);
  close(stalled);  // frees a sender still waiting, so the test ends either way
  sender.join();
  for (int fd : queued) close(fd);
  EXPECT_TRUE(gaveUp);
  EXPECT_FALSE(sent);
  EXPECT_NE(error.find("takes no connections"), std::string::npos) << error;
}

TEST_F(HandoffListenerTest, AnotherAccountIsNotHeardEvenWhenItCanConnect) {
  if (!CanActAsOtherAccount()) GTEST_SKIP() << "needs root to start a process of another account (setpriv)";
  // Doors opened wide on purpose, so only the check of the peer's account stands between.
  platform::HandoffListener listener;
  ASSERT_TRUE(Start(listener));
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  ASSERT_EQ(chmod(socketPath.c_str(), 0666), 0);
  ChildProcess other({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "/usr/bin/python3", "-c",
                      "import socket,sys\n"
                      "s=socket.socket(socket.AF_UNIX)\n"
                      "s.connect(sys.argv[1])\n"
                      "print('connected')\n"
                      "try:\n"
                      "  s.sendall(b'varnok-open\\0http://intruder/\\0'); s.shutdown(socket.SHUT_WR)\n"
                      "  print('answer:', s.recv(100))\n"
                      "except OSError as e:\n"
                      "  print('closed:', e)\n",
                      socketPath});
  ASSERT_EQ(other.WaitForExit(30s), 0) << other.Output();
  // It got through the door, and then nothing: no answer, no handler.
  EXPECT_NE(other.Output().find("connected"), std::string::npos) << other.Output();
  EXPECT_EQ(other.Output().find("answer: b'opened"), std::string::npos) << other.Output();
  EXPECT_TRUE(Received().empty());
}

TEST(FileUtilTest, DirectoryWritableTriesARealFile) {
  TempDir dir;
  EXPECT_TRUE(platform::DirectoryWritable(dir.path()));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
  EXPECT_FALSE(platform::DirectoryWritable(dir / "missing"));
  // Read-only for everyone: only root writes there, and the probe says what is true.
  chmod(dir.path().c_str(), 0555);
  EXPECT_EQ(platform::DirectoryWritable(dir.path()), geteuid() == 0);
  chmod(dir.path().c_str(), 0755);
}

}  // namespace
