#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "webserver/HTTP_Request.h"

namespace {

HTTP_Settings Settings(const std::string& root = "/srv") {
  HTTP_Settings settings;
  settings.document_root = root;
  return settings;
}

// Feeds `pieces` one receive at a time; returns the parse result of the last one and
// what stayed unconsumed.
int Feed(HTTP_Request& request, const std::vector<std::string>& pieces, std::string* rest = nullptr) {
  std::string buffer;
  int done = 0;
  for (const std::string& piece : pieces) {
    buffer += piece;
    std::vector<char> text(buffer.begin(), buffer.end());
    text.push_back('\0');
    done = request.parse_text(text.data());
    buffer = text.data();
  }
  if (rest) *rest = buffer;
  return done;
}

TEST(HeaderTableTest, KeepsNamesSortedIgnoringCaseAndFindsThemInAnyCase) {
  Header_Table table;
  for (const char* name : {"Pragma", "date", "Content-Length", "Allow", "User-Agent"}) table.insert(name);
  std::vector<std::string> order;
  for (int i = 0; i < table.count(); ++i) order.push_back(*table.at(i).name);
  EXPECT_EQ(order, (std::vector<std::string>{"Allow", "Content-Length", "date", "Pragma", "User-Agent"}));
  ASSERT_NE(table.find("content-length"), nullptr);
  EXPECT_EQ(*table.find("DATE")->name, "date");
  EXPECT_EQ(table.find("Host"), nullptr);
  EXPECT_EQ(table.find_or_insert("allow"), table.find("Allow"));
  EXPECT_EQ(table.count(), 5);
}

TEST(HeaderTableTest, RefusesInsertionBeyondItsCapacity) {
  Header_Table table;
  for (int i = 0; i < Header_Table::kCapacity; ++i) ASSERT_NE(table.insert(("h" + std::to_string(1000 + i)).c_str()), nullptr);
  EXPECT_EQ(table.insert("zzz"), nullptr);
  EXPECT_NE(table.find("h1050"), nullptr);
}

TEST(HttpRequestTest, ParsesRegisteredHeadersOnly) {
  HTTP_Settings settings = Settings();
  HTTP_Request request(settings);
  char text[] = "GET /a.htm HTTP/1.0\r\ncontent-length: 12\r\nReferer: x\r\nReferrer: y \r\nHost: a\r\n b\r\n\r\nBODY";
  ASSERT_EQ(request.parse_text(text), 1);
  EXPECT_EQ(request.status(), 200);
  EXPECT_EQ(request.body_length(), 12);
  EXPECT_STREQ(request.header_value(5), "y ");  // "Referrer", trailing blank kept
  EXPECT_STREQ(request.path(), "/srv/a.htm");
  EXPECT_EQ(std::string(request.body(), request.body_size()), "BODY");
}

TEST(HttpRequestTest, CompletesTheSameWhenSplitAcrossReceives) {
  HTTP_Settings settings = Settings();
  HTTP_Request whole(settings);
  HTTP_Request split(settings);
  ASSERT_EQ(Feed(whole, {"GET /x HTTP/1.1\r\nUser-Agent: t\r\n\r\n"}), 1);
  ASSERT_EQ(Feed(split, {"GET /x HTTP/1.1\r", "\nUser-Agent: t\r", "\n\r", "\n"}), 1);
  EXPECT_STREQ(split.header_value(6), whole.header_value(6));
  EXPECT_STREQ(split.uri(), "/x");
}

TEST(HttpRequestTest, DecidesStatusesFromTheRequestLine) {
  struct Case {
    const char* head;
    int status;
  } cases[] = {
      {"GET /index.html\r\n", 200},        // simple request: complete at once
      {"HEAD /index.html\r\n", 501},       // no version, not GET
      {"get /index.html HTTP/1.0\r\n\r\n", 501},
      {"GET index.html HTTP/1.0\r\n\r\n", 404},
      {"GET\r\n\r\n", 400},
      {"\r\n", 400},
      {"GET /%2e%2e/etc/passwd HTTP/1.0\r\n\r\n", 404},
      {"GET /a/../../b HTTP/1.0\r\n\r\n", 404},
      {"GET /~../x HTTP/1.0\r\n\r\n", 404},
      {"GET /..x/.. HTTP/1.0\r\n\r\n", 404},
      {"GET /..x/y.. HTTP/1.0\r\n\r\n", 200},
  };
  HTTP_Settings settings = Settings();
  for (const Case& c : cases) {
    HTTP_Request request(settings);
    ASSERT_EQ(Feed(request, {c.head}), 1) << c.head;
    EXPECT_EQ(request.status(), c.status) << c.head;
  }
}

TEST(HttpRequestTest, LongMappedPathsAreRefusedExceptForCommands) {
  HTTP_Settings settings = Settings(std::string(200, 'r'));
  const std::string tail(80, 'x');
  HTTP_Request file(settings);
  Feed(file, {"GET /" + tail + " HTTP/1.0\r\n\r\n"});
  EXPECT_EQ(file.status(), 404);
  HTTP_Request command(settings);
  Feed(command, {"GET /sethome_browser.ido?homeurl=http://example.com/" + tail + " HTTP/1.0\r\n\r\n"});
  EXPECT_EQ(command.status(), 200);
  HTTP_Request climbing(settings);
  Feed(climbing, {"GET /delhis_browser.ido?id=../1 HTTP/1.0\r\n\r\n"});
  EXPECT_EQ(climbing.status(), 200);
}

TEST(HttpRequestTest, MapsUserDirectories) {
  setenv("HOME", "/home/me", 1);
  HTTP_Settings settings = Settings(".");
  HTTP_Request mine(settings);
  Feed(mine, {"GET /~/a.htm HTTP/1.0\r\n\r\n"});
  EXPECT_STREQ(mine.path(), "/home/me/.www/a.htm");
  // Another account's name goes through the password database, not the working directory.
  HTTP_Request other(settings);
  Feed(other, {"GET /~root/a.htm HTTP/1.0\r\n\r\n"});
  EXPECT_STREQ(other.path(), (std::string(getpwnam("root")->pw_dir) + "/.www/a.htm").c_str());
  HTTP_Request unknown(settings);
  Feed(unknown, {"GET /~no-such-account-here/a.htm HTTP/1.0\r\n\r\n"});
  EXPECT_EQ(unknown.status(), 404);
  HTTP_Request query(settings);
  Feed(query, {"GET /scj.htm?x=1 HTTP/1.0\r\n\r\n"});
  EXPECT_STREQ(query.path(), "./scj.htm?x=1");
  // Without HOME, "~" is our own account's home directory.
  unsetenv("HOME");
  HTTP_Request homeless(settings);
  Feed(homeless, {"GET /~/a.htm HTTP/1.0\r\n\r\n"});
  EXPECT_STREQ(homeless.path(), (std::string(getpwuid(geteuid())->pw_dir) + "/.www/a.htm").c_str());
}

TEST(HttpRequestTest, RecognisesCgiOnlyBeforeUnescaping) {
  HTTP_Settings settings = Settings();
  for (const char* uri : {"/x.cgix", "/cgi-bin%2Fprog", "/cgi-binx/prog"}) {
    HTTP_Request request(settings);
    Feed(request, {std::string("GET ") + uri + " HTTP/1.0\r\n\r\n"});
    EXPECT_FALSE(request.cgi()) << uri;
  }
  settings.cgi_path = "/abs:scripts";
  HTTP_Request absolute(settings);
  Feed(absolute, {"GET /abs/p HTTP/1.0\r\n\r\n"});
  EXPECT_TRUE(absolute.cgi());
  HTTP_Request anywhere(settings);
  Feed(anywhere, {"GET /x/scripts/p/more HTTP/1.0\r\n\r\n"});
  EXPECT_TRUE(anywhere.cgi());
  EXPECT_STREQ(anywhere.path_info(), "/more");
}

TEST(HttpRequestTest, WaitsWhileTheNextLineIsUnknown) {
  HTTP_Settings settings = Settings();
  HTTP_Request request(settings);
  std::string rest;
  EXPECT_EQ(Feed(request, {"GET / HTTP/1.0\r\nAllow: x\r\n1bad\r\n\r\n"}, &rest), 0);
  EXPECT_EQ(rest, "Allow: x\r\n1bad\r\n\r\n");
}

}  // namespace
