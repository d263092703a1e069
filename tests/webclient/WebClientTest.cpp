#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "support/RawHttp.h"
#include "webclient/Connection.h"
#include "webclient/ShutdownWakeUp.h"
#include "webclient/UrlParser.h"

namespace {

TEST(UrlParserTest, SplitsSchemeHostAndPath) {
  UrlParser exit("http://localhost:10101/exit.ido");
  EXPECT_STREQ(exit.scheme(), "http");
  EXPECT_STREQ(exit.host(), "localhost:10101");
  EXPECT_STREQ(exit.path(), "exit.ido");
  UrlParser bare("http://example.com");
  EXPECT_STREQ(bare.host(), "example.com");
  EXPECT_STREQ(bare.path(), "/index.html");
  UrlParser deep("http://h/a/b?c=d");
  EXPECT_STREQ(deep.path(), "a/b?c=d");
  UrlParser empty("");
  EXPECT_EQ(empty.host(), nullptr);
}

TEST(ConnectionTest, ReportsFailuresAsOne) {
  Connection connection;
  EXPECT_EQ(connection.connect(nullptr, 0, 0), 1);
  // Port 1 on the loopback address: nothing listens there.
  EXPECT_EQ(connection.connect("127.0.0.1:1", 0, 0), 1);
}

TEST(ShutdownWakeUpTest, SendsExactlyTheExitRequestToTheLoopbackAddress) {
  int port = 0;
  int listener = ListenOnLoopback(&port, 1);
  ASSERT_GE(listener, 0);

  std::string received;
  std::string peer;
  std::thread server([&] {
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    int fd = accept(listener, reinterpret_cast<sockaddr*>(&from), &fromLength);
    char text[INET_ADDRSTRLEN] = {};
    peer = inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    char buffer[256];
    for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) received.append(buffer, static_cast<size_t>(n));
    close(fd);
  });
  SendShutdownWakeUp("http://localhost:" + std::to_string(port) + "/exit.ido");
  server.join();
  close(listener);
  EXPECT_EQ(received, "GET /exit.ido HTTP/1.0\r\n\r\n");
  EXPECT_EQ(peer, "127.0.0.1");
}

}  // namespace
