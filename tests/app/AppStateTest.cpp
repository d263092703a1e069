#include "app/AppState.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "app/Config.h"
#include "platform/FileUtil.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

namespace {

class AppStateTest : public ::testing::Test {
 protected:
  std::string Ini() const { return dir / "varnok.ini"; }
  std::string Portal() const { return config::PortalUrl(); }
  TempDir dir, home;
  // A program directory that cannot be written sends the state into this home.
  ScopedEnvironment homeVariable{"HOME", home.path()}, dataHome{"XDG_DATA_HOME", std::nullopt};
};

TEST_F(AppStateTest, FirstStartWritesTheDefaultFileAndSavingRoundTrips) {
  {
    AppState state(dir / "varnok");
    const std::string p = Portal();
    EXPECT_EQ(ReadFileOrEmpty(Ini()), "[global]\r\nversion=1.0\r\n[homeurl]\r\nurl1=" + p + "\r\n[history]\r\nurl1=" + p +
                                          "\r\n[soucangjia]\r\nurl1=" + p + "\r\n\r\n");
    EXPECT_EQ(state.History(), std::vector<std::string>{p});
    EXPECT_EQ(state.Favorites(), std::vector<std::string>{p});
    EXPECT_EQ(state.CurrentUrl(), p);
    state.SetHomeUrl("http://home/");
    state.AddHistory("http://h1/");
    state.AddFavorite("http://f1/");
  }
  AppState again(dir / "varnok");
  EXPECT_EQ(again.HomeUrl(), "http://home/");
  EXPECT_EQ(again.CurrentUrl(), "http://home/");
  EXPECT_EQ(again.History(), (std::vector<std::string>{"http://h1/", Portal()}));
  EXPECT_EQ(again.Favorites(), (std::vector<std::string>{"http://f1/", Portal()}));
}

TEST_F(AppStateTest, EmptyListsAndHomeAreSavedWithoutKeysAndComeBackAsThePortal) {
  {
    AppState state(dir / "varnok");
    state.ClearHistory();
    state.DeleteFavorite(0);
    state.SetHomeUrl("");
  }
  EXPECT_EQ(ReadFileOrEmpty(Ini()), "[global]\r\nversion=1.0\r\n[homeurl]\r\nurl1=\r\n[history]\r\n[soucangjia]\r\n\r\n");
  AppState again(dir / "varnok");
  EXPECT_EQ(again.History(), std::vector<std::string>{Portal()});
  EXPECT_EQ(again.Favorites(), std::vector<std::string>{Portal()});
  EXPECT_EQ(again.HomeUrl(), Portal());
  EXPECT_EQ(again.CurrentUrl(), Portal());
}

TEST_F(AppStateTest, ReadingRulesOfTheFile) {
  const std::string longValue(300, 'x');
  WriteFileOrDie(Ini(),
                 "[global]\r\r\nversion=7.0\r\r\n[homeurl]\r\r\nurl1=" + longValue +
                     "\r\r\n[history]\r\r\nurl1=a  \r\r\nurl3=c\r\r\n[extra]\r\r\nkey=value\r\r\n"
                     "[soucangjia]\r\r\nurl1=f\r\r\nurl2=f\r\r\n\r\r\n");
  {
    AppState state(dir / "varnok");
    EXPECT_EQ(state.HomeUrl(), longValue);
    EXPECT_EQ(state.History(), std::vector<std::string>{"a"});  // url3 after a gap is never read
    EXPECT_EQ(state.Favorites(), (std::vector<std::string>{"f", "f"}));  // duplicates kept as loaded
    state.AddFavorite("f");
    EXPECT_EQ(state.Favorites().size(), 2u);
  }
  const std::string saved = ReadFileOrEmpty(Ini());
  EXPECT_EQ(saved.find("[extra]"), std::string::npos);
  EXPECT_NE(saved.find("version=1.0\r\n"), std::string::npos);
}

TEST_F(AppStateTest, GarbageAndHugeLinesLoadWhatTheyCan) {
  std::string garbage = "\x01\x02\xff no section line\n=orphan\n[homeurl\nurl1=lost\n[history]\n";
  garbage += "url1=" + std::string(100000, 'y') + "\n";
  garbage += std::string("\0\0binary\0", 9) + "\n[soucangjia]\nurl1=ok\n";
  WriteFileOrDie(Ini(), garbage);
  AppState state(dir / "varnok");
  EXPECT_EQ(state.HomeUrl(), Portal());
  EXPECT_EQ(state.History(), std::vector<std::string>{Portal()});  // the only entry was too long to keep
  EXPECT_EQ(state.Favorites(), std::vector<std::string>{"ok"});
}

TEST_F(AppStateTest, QuotedValuesAndARepeatedSectionThroughTheFile) {
  WriteFileOrDie(Ini(), "[homeurl]\r\nurl1='http://home/'\r\n[history]\r\nurl1=\"http://h/\"\r\n"
                        "[history]\r\nurl2=http://late/\r\n[soucangjia]\r\nurl1=http://f/\r\n");
  {
    AppState state(dir / "varnok");
    EXPECT_EQ(state.HomeUrl(), "http://home/");
    EXPECT_EQ(state.History(), std::vector<std::string>{"http://h/"});
  }
  EXPECT_EQ(ReadFileOrEmpty(Ini()), "[global]\r\nversion=1.0\r\n[homeurl]\r\nurl1=http://home/\r\n[history]\r\n"
                                    "url1=http://h/\r\n[soucangjia]\r\nurl1=http://f/\r\n\r\n");
}

TEST_F(AppStateTest, EmptyOrUnreadableFileLeavesTheDefaults) {
  WriteFileOrDie(Ini(), "");
  EXPECT_EQ(AppState(dir / "varnok").History(), std::vector<std::string>{Portal()});
  TempDir other;
  ASSERT_EQ(mkdir((other / "varnok.ini").c_str(), 0700), 0);
  AppState state(other / "varnok");
  EXPECT_EQ(state.Favorites(), std::vector<std::string>{Portal()});
  EXPECT_EQ(state.HomeUrl(), Portal());
}

TEST_F(AppStateTest, AProgramDirectoryThatCannotBeWrittenKeepsTheStateInTheDataDirectory) {
  // root ignores directory permissions; a missing directory cannot be written either.
  const std::string program = geteuid() == 0 ? dir / "missing/varnok" : dir / "varnok";
  if (geteuid() != 0) chmod(dir.path().c_str(), 0500);
  {
    AppState state(program);
    EXPECT_FALSE(state.SelfUpdates());
    state.AddFavorite("http://x/");
  }
  EXPECT_NE(ReadFileOrEmpty(home / ".local/share/varnok/varnok.ini").find("[soucangjia]\r\nurl1=http://x/\r\n"),
            std::string::npos);
  EXPECT_EQ(AppState(program).Favorites().front(), "http://x/");
  // Nothing was written beside the program, nor the missing directory made.
  chmod(dir.path().c_str(), 0700);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(AppStateTest, PathsAndUrls) {
  ASSERT_TRUE(std::filesystem::create_directories(dir / "b/update"));
  AppState state(dir / "b/update/varnok");
  EXPECT_EQ(state.ModuleDirectory(), dir / "b/update/");
  EXPECT_EQ(state.ParentDirectory(), dir / "b/");
  EXPECT_EQ(state.ModulePath(), dir / "b/update/varnok");
  EXPECT_EQ(AppState::DirectoryOf("C:\\dir\\v.exe"), "C:/dir/");
  EXPECT_EQ(AppState::DirectoryOf("/varnok"), "/");
  EXPECT_EQ(AppState::DirectoryOf("varnok"), "");
  // Non-ASCII directories are carried through byte for byte.
  EXPECT_EQ(AppState::DirectoryOf("/\xc4\xe3\xba\xc3/varnok"), "/\xc4\xe3\xba\xc3/");
  state.SetPort("10101");
  EXPECT_EQ(state.ExitUrl(), "http://localhost:10101/exit.ido");
  EXPECT_EQ(state.FavoritesPagePath(), dir / "b/update/scj.htm");
  EXPECT_EQ(state.UpdateXmlUrl(), config::SiteUrl() + "software/update.xml");
}

TEST_F(AppStateTest, ListOperations) {
  AppState state(dir / "varnok");
  state.ClearHistory();
  state.AddHistory("a");
  state.AddHistory("b");
  state.AddHistory("c");
  state.AddHistory("a");  // already there: keeps its position
  EXPECT_EQ(state.History(), (std::vector<std::string>{"c", "b", "a"}));
  state.DeleteHistory(0);
  state.DeleteHistory(1);  // a stale id 1 now names "a"
  EXPECT_EQ(state.History(), std::vector<std::string>{"b"});
  state.DeleteHistory(-1);
  state.DeleteHistory(1);
  EXPECT_EQ(state.History(), std::vector<std::string>{"b"});
  state.ClearHistory();
  state.AddHistory("x");
  EXPECT_EQ(state.History(), std::vector<std::string>{"x"});

  state.AddFavorite("http://a/");
  state.AddFavorite("http://a");  // differs by the slash
  state.AddFavorite("");
  EXPECT_EQ(state.Favorites(), (std::vector<std::string>{"http://a", "http://a/", Portal()}));
}

TEST_F(AppStateTest, FavoritesPageFollowsEveryChangeButNotOutOfRangeDeletes) {
  AppState state(dir / "varnok");
  const std::string page = dir / "scj.htm";
  EXPECT_TRUE(ReadFileOrEmpty(page).empty());
  state.AddFavorite("");  // opening the page with nothing added still writes it
  const std::string first = ReadFileOrEmpty(page);
  EXPECT_NE(first.find(Portal()), std::string::npos);
  WriteFileOrDie(page, "marker");
  state.DeleteFavorite(-1);
  state.DeleteFavorite(1);
  EXPECT_EQ(ReadFileOrEmpty(page), "marker");
  state.DeleteFavorite(0);
  EXPECT_EQ(ReadFileOrEmpty(page).find(Portal()), std::string::npos);
}

TEST_F(AppStateTest, SystemMessagesKeepTheNewest256) {
  AppState state(dir / "varnok");
  for (int i = 1; i <= 257; ++i) state.AddSystemMessage(i == 1 ? "" : "s", std::to_string(i));
  auto messages = state.SystemMessages();
  ASSERT_EQ(messages.size(), 256u);
  EXPECT_EQ(messages.front().second, "2");
  EXPECT_EQ(messages.back().second, "257");
  const std::string page = ReadFileOrEmpty(dir / "sysmsg.htm");
  EXPECT_EQ(page.find(">1<br>"), std::string::npos);
  EXPECT_NE(page.find("<BODY>s2<br>s3<br>"), std::string::npos);
}

TEST_F(AppStateTest, SavedValuesCannotForgeLines) {
  {
    AppState state(dir / "varnok");
    state.SetHomeUrl("http://ok/\r\n[soucangjia]\r\nurl1=forged");
  }
  AppState again(dir / "varnok");
  EXPECT_EQ(again.HomeUrl(), "http://ok/");
  EXPECT_EQ(again.Favorites(), std::vector<std::string>{Portal()});
}

TEST_F(AppStateTest, EachRunHasItsOwnCommandKeyInBothPages) {
  AppState state(dir / "varnok");
  const std::string key = state.CommandSecret();
  ASSERT_EQ(key.size(), 32u);
  EXPECT_EQ(key.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_NE(AppState(dir / "other/varnok").CommandSecret(), key);
  state.SetPort("12345");
  state.WriteCommandPages();
  for (const char* page : {"scj.htm", "menu.htm"}) {
    const std::string text = ReadFileOrEmpty(dir / page);
    EXPECT_NE(text.find("http://localhost:12345/"), std::string::npos) << page;
    EXPECT_NE(text.find("key=" + key), std::string::npos) << page;
  }
}

TEST_F(AppStateTest, AStoredHomeThatWouldRunInThePageIsDropped) {
  WriteFileOrDie(Ini(), "[homeurl]\r\nurl1=javascript:alert(1)\r\n");
  EXPECT_EQ(AppState(dir / "varnok").HomeUrl(), Portal());
  WriteFileOrDie(Ini(), "[homeurl]\r\nurl1=www.sina.com.cn\r\n");
  EXPECT_EQ(AppState(dir / "varnok").HomeUrl(), "www.sina.com.cn");
}

TEST_F(AppStateTest, LeftoversOfKilledWritesAreRemovedAndNothingElse) {
  const char* leftovers[] = {"varnok.ini.a1B2c3", "scj.htm.XXXXXX", "menu.htm.000000", "sysmsg.htm.zzzzzz"};
  const char* kept[] = {"varnok.ini", "scj.htm.bak", "menu.htm.1234567", "notes.txt.abcdef", "varnok.ini.ab-cd1"};
  for (const char* name : leftovers) WriteFileOrDie(dir / name, "part");
  for (const char* name : kept) WriteFileOrDie(dir / name, "keep");
  AppState state(dir / "varnok");
  state.RemoveLeftoverTemporaryFiles();
  for (const char* name : leftovers) EXPECT_FALSE(platform::FileExists(dir / name)) << name;
  for (const char* name : kept) EXPECT_TRUE(platform::FileExists(dir / name)) << name;
}

}  // namespace
