// CGI programs started on behalf of requests: what a request can and cannot make them do.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "LiveServer.h"
#include "support/LoopbackClient.h"
#include "support/OtherAccount.h"
#include "support/RawHttp.h"

namespace {

const std::string kProbe = "GET /isserver_varnok.ido HTTP/1.0\r\n\r\n";

void WriteProgram(const std::string& path, const std::string& text, mode_t mode = 0755) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  WriteFileOrDie(path, text);
  chmod(path.c_str(), mode);
}

// The body of a CGI answer (after the program's own empty line).
std::string Body(const std::string& answer) {
  size_t at = answer.find("\r\n\r\n");
  return at == std::string::npos ? std::string() : answer.substr(at + 4);
}

const char kPrintEnvironment[] = "#!/bin/bash\nprintf 'Content-type: text/plain\\r\\n\\r\\n'\nenv\n";

TEST(CgiTest, FormatDirectivesInRequestTextAreJustText) {
  setenv("VARNOK_VERBOSE", "1", 1);  // the debug log formats request text too
  LiveServer server;
  WriteProgram(server.root() + "env.cgi", kPrintEnvironment);
  for (const char* target : {"/x.cgi?%25s=1", "/x.cgi?%25n=1", "/x.cgi?%25s%25s%25s%25s%25s%25s%25s%25s=1",
                             "/x.cgi?%25n%25n=%25s%25n", "/x.cgi?%25p%25p+%25s", "/x.cgi/%25s%25n?%25s",
                             "/cgi-bin/%25s%25n?%25n=%25n", "/%25n%25s.htm", "/%25n.ido?%25s"}) {
    server.Exchange(std::string("GET ") + target + " HTTP/1.0\r\nUser-Agent: %n%s%p%x\r\nAuthorization: %s%n\r\n\r\n");
    ASSERT_NE(server.Exchange(kProbe).find("<html></html>"), std::string::npos) << target;
  }
  TempDir cwd;  // a PUT creates the credentials file in the working directory
  ASSERT_EQ(chdir(cwd.path().c_str()), 0);
  server.Exchange("PUT /%25n HTTP/1.0\r\nAuthorization: Basic %n%s\r\nContent-length: %n\r\n\r\n");
  ASSERT_EQ(chdir("/"), 0);
  const std::string env = Body(server.Exchange("GET /env.cgi?%25s=%25n&a=%25s HTTP/1.0\r\nUser-Agent: %s%n\r\n\r\n"));
  EXPECT_NE(env.find("\nQUERY_STRING=%25s=%25n&a=%25s\n"), std::string::npos) << env;
  EXPECT_NE(env.find("\nHTTP_USER_AGENT=%s%n\n"), std::string::npos) << env;
  EXPECT_EQ(env.find("\n%s="), std::string::npos) << env;
  server.Stop();
  unsetenv("VARNOK_VERBOSE");
}

TEST(CgiTest, QueryPairsNeverBecomeTheProgramsEnvironment) {
  // The server's own environment keeps no CGI variable a program could mistake for the request's.
  setenv("HTTP_FORGED", "from the server", 1);
  setenv("QUERY_STRING", "from the server", 1);
  LiveServer server;
  const std::string marker = server.dir() / "bash-env-ran";
  WriteProgram(server.dir() / "evil.sh", "touch " + marker + "\n");
  WriteProgram(server.root() + "env.cgi", kPrintEnvironment);
  const std::string query = "LD_PRELOAD=/nonexistent/evil.so&PATH=/evil&BASH_ENV=" + server.dir().path() +
                            "evil.sh&IFS=x&HTTP_USER_AGENT=forged&SERVER_PORT=1&a%3Db=c";
  const std::string answer = server.Exchange("GET /env.cgi?" + query + " HTTP/1.0\r\n\r\n");
  server.Stop();
  unsetenv("HTTP_FORGED");
  unsetenv("QUERY_STRING");
  const std::string env = "\n" + Body(answer);
  EXPECT_NE(env.find("\nQUERY_STRING=" + query + "\n"), std::string::npos) << env;
  EXPECT_NE(env.find("\nSERVER_PORT=" + std::to_string(server.port()) + "\n"), std::string::npos) << env;
  EXPECT_NE(env.find(std::string("\nPATH=") + getenv("PATH") + "\n"), std::string::npos) << env;
  for (const char* absent : {"\nLD_PRELOAD=", "\nBASH_ENV=", "\nIFS=", "\nHTTP_USER_AGENT=", "\nHTTP_FORGED=", "\na=",
                             "\nSERVER_PORT=1\n", "from the server"})
    EXPECT_EQ(env.find(absent), std::string::npos) << absent << env;
  EXPECT_FALSE(std::filesystem::exists(marker));
}

// What a program sees of its request: its arguments (the words of an index query), the
// path info and the query, and the variables of the request.
TEST(CgiTest, ARequestReachesTheProgramAsPathArgumentsAndVariables) {
  LiveServer server;
  const std::string root = server.root();
  const std::string marker = server.dir() / "split-ran";
  const std::string program =
      "#!/bin/sh\nprintf 'Content-type: text/plain\\r\\n\\r\\n'\nprintf '%s|' \"$#\" \"$@\"\n"
      "echo \"port=$SERVER_PORT|proto=$SERVER_PROTOCOL|method=$REQUEST_METHOD|script=$SCRIPT_NAME|info=$PATH_INFO\"\n"
      "echo \"translated=$PATH_TRANSLATED|query=$QUERY_STRING|a=$a|b=$b|agent=$HTTP_USER_AGENT\"\n";
  for (const char* name : {"cgi-bin/prog", "run.cgi", "my dir/run.cgi"}) WriteProgram(root + name, program);
  // What a command line split at blanks would start instead of "my dir/run.cgi".
  WriteProgram(root + "my", "#!/bin/sh\ntouch " + marker + "\n");
  const std::string port = std::to_string(server.port());
  struct Case {
    std::string request, arguments, variables;
  } cases[] = {
      {"GET /cgi-bin/prog/extra/path?a=1&b=x+y%21 HTTP/1.0\r\nUser-Agent: ua\r\n\r\n", "0|",
       "proto=HTTP/1.0|method=GET|script=/cgi-bin/prog|info=/extra/path\ntranslated=" + root +
           "/extra/path|query=a=1&b=x+y%21|a=|b=|agent=ua\n"},
      {"HEAD /run.cgi?hello+world HTTP/1.1\r\n\r\n", "2|hello|world|",
       "proto=HTTP/1.1|method=HEAD|script=/run.cgi|info=\ntranslated=|query=hello+world|a=|b=|agent=\n"},
      {"GET /my%20dir/run.cgi?hello+wor%20ld+%2B HTTP/1.0\r\n\r\n", "3|hello|wor ld|+|",
       "proto=HTTP/1.0|method=GET|script=/my dir/run.cgi|info=\ntranslated=|query=hello+wor%20ld+%2B|a=|b=|agent=\n"},
      {"GET /my%20dir/run.cgi HTTP/1.0\r\n\r\n", "0|",
       "proto=HTTP/1.0|method=GET|script=/my dir/run.cgi|info=\ntranslated=|query=|a=|b=|agent=\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(server.Exchange(c.request),
              "HTTP/1.0 200 OK\r\nContent-type: text/plain\r\n\r\n" + c.arguments + "port=" + port + "|" + c.variables)
        << c.request;
  EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST(CgiTest, AProgramGetsItsConnectionAndNoOtherDescriptorOfOurs) {
  LiveServer server;
  WriteProgram(server.root() + "fds.cgi", "#!/bin/sh\nprintf '\\r\\n'\nreadlink /proc/self/fd/1\nexec ls /proc/self/fd\n");
  // Descriptors other parts of the process left inheritable, and another client's
  // connection, open while the program starts.
  const int file = ::open((server.dir() / "page.htm").c_str(), O_RDWR | O_CREAT, 0644);
  const int null = ::open("/dev/null", O_RDONLY);
  LoopbackClient other(server.port());
  ASSERT_TRUE(other.Send("GET /a.htm HTTP/1.0\r\n"));
  const std::string held = Body(server.Exchange("GET /fds.cgi HTTP/1.0\r\n\r\n"));
  // 0 is the (empty) request body, 1 and 2 the connection, 3 the program's own file (it
  // was started through it), 4 the directory ls reads.
  EXPECT_TRUE(std::regex_match(held, std::regex("socket:\\[[0-9]+\\]\n0\n1\n2\n3\n4\n"))) << held;
  ::close(file);
  ::close(null);
}

TEST(CgiTest, ProgramsOthersCouldChangeOrPlaceAreNotRun) {
  LiveServer server;
  const std::string marker = server.dir() / "ran";
  const std::string script = "#!/bin/sh\nprintf '\\r\\nran'\ntouch " + marker + "\n";
  WriteProgram(server.root() + "shared.cgi", script, 0777);
  WriteProgram(server.root() + "open/run.cgi", script, 0755);
  chmod((server.root() + "open").c_str(), 0777);
  WriteProgram(server.root() + "ours.cgi", script, 0755);
  const std::string refused = ErrorAnswer("HTTP/1.0", 403, "Forbidden", "the program may not be run");
  EXPECT_EQ(server.Exchange("GET /shared.cgi HTTP/1.0\r\n\r\n"), refused);
  EXPECT_EQ(server.Exchange("GET /open/run.cgi HTTP/1.0\r\n\r\n"), refused);
  if (CanActAsOtherAccount()) {
    // What another account can put in its user directory: its own program, or a link of
    // its own to a system program that would run with the request's words as arguments.
    WriteProgram(server.root() + "theirs.cgi", script, 0755);
    ASSERT_EQ(chown((server.root() + "theirs.cgi").c_str(), kOtherAccount, kOtherAccount), 0);
    ASSERT_EQ(symlink("/bin/sh", (server.root() + "sh.cgi").c_str()), 0);
    ASSERT_EQ(lchown((server.root() + "sh.cgi").c_str(), kOtherAccount, kOtherAccount), 0);
    std::filesystem::create_directories(server.root() + "home");
    WriteProgram(server.root() + "home/run.cgi", script, 0755);
    ASSERT_EQ(chown((server.root() + "home").c_str(), kOtherAccount, kOtherAccount), 0);
    EXPECT_EQ(server.Exchange("GET /theirs.cgi HTTP/1.0\r\n\r\n"), refused);
    EXPECT_EQ(server.Exchange("GET /sh.cgi?-c+touch%20" + marker + " HTTP/1.0\r\n\r\n"), refused);
    EXPECT_EQ(server.Exchange("GET /home/run.cgi HTTP/1.0\r\n\r\n"), refused);
  }
  EXPECT_FALSE(std::filesystem::exists(marker));
  EXPECT_EQ(server.Exchange("GET /ours.cgi HTTP/1.0\r\n\r\n"), "HTTP/1.0 200 OK\r\n\r\nran");
}

// A link at any level of a program's path leads the server where its owner chose: one of
// another account is never followed, while our own (or the system's) are.
TEST(CgiTest, ALinkAnywhereOnThePathCountsByItsOwner) {
  if (!CanActAsOtherAccount()) GTEST_SKIP() << "needs root to place another account's links";
  LiveServer server;
  const std::string marker = server.dir() / "ran";
  WriteProgram(server.root() + "real/cgi-bin/run.cgi", "#!/bin/sh\nprintf '\\r\\nran'\ntouch " + marker + "\n");
  const std::string real = server.root() + "real/";
  struct Level {
    std::string link, target, uri;
  } levels[] = {{"a", real, "/a/cgi-bin/run.cgi"},
                {"b/cgi-bin", real + "cgi-bin", "/b/cgi-bin/run.cgi"},
                {"c/cgi-bin/run.cgi", real + "cgi-bin/run.cgi", "/c/cgi-bin/run.cgi"}};
  const std::string refused = ErrorAnswer("HTTP/1.0", 403, "Forbidden", "the program may not be run");
  for (const uid_t owner : {kOtherAccount, geteuid()}) {
    for (const Level& level : levels) {
      const std::string link = server.root() + level.link;
      std::filesystem::remove(link);
      std::filesystem::create_directories(std::filesystem::path(link).parent_path());
      ASSERT_EQ(symlink(level.target.c_str(), link.c_str()), 0) << link;
      ASSERT_EQ(lchown(link.c_str(), owner, owner), 0);
      const std::string answer = server.Exchange("GET " + level.uri + " HTTP/1.0\r\n\r\n");
      if (owner == kOtherAccount) {
        EXPECT_EQ(answer, refused) << level.uri;
        EXPECT_FALSE(std::filesystem::exists(marker)) << level.uri;
      } else {
        EXPECT_EQ(answer, "HTTP/1.0 200 OK\r\n\r\nran") << level.uri;
      }
    }
  }
}

TEST(CgiTest, APostBodyReachesTheProgramWholeAndAMissingProgramIsNotFound) {
  LiveServer server;
  WriteProgram(server.root() + "cgi-bin/count",
               "#!/bin/sh\nprintf '\\r\\n'\nwc -c | tr -d ' '\necho \"$CONTENT_LENGTH $CONTENT_TYPE\"\n");
  // Far more than arrives with the request head.
  const std::string body(300000, 'b');
  EXPECT_EQ(Body(server.Exchange("POST /cgi-bin/count HTTP/1.0\r\nContent-Type: text/plain\r\nContent-length: " +
                                 std::to_string(body.size()) + "\r\n\r\n" + body)),
            "300000\n300000 text/plain\n");
  EXPECT_EQ(Body(server.Exchange("GET /cgi-bin/count HTTP/1.0\r\n\r\n")), "0\n \n");
  EXPECT_EQ(server.Exchange("GET /cgi-bin/none?x HTTP/1.0\r\n\r\n"),
            ErrorAnswer("HTTP/1.0", 404, "Not Found", "there is no such program"));
}

}  // namespace
