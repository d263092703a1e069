#include "app/IniFile.h"

#include <gtest/gtest.h>

TEST(IniFileTest, LineEndsAndWhiteSpaceReadAlike) {
  const IniFile crlf = IniFile::Parse("[History]\r\nURL1=a\r\nurl2 = b \r\n");
  const IniFile crcrlf = IniFile::Parse("[history]\r\r\nurl1=a\r\r\nurl2 = b \t\r\r\n");
  const IniFile lf = IniFile::Parse("  [history]  \nurl1=a\nurl2=b");
  for (const IniFile* ini : {&crlf, &crcrlf, &lf}) EXPECT_EQ(ini->UrlList("HISTORY"), (std::vector<std::string>{"a", "b"}));
}

TEST(IniFileTest, FirstOccurrenceWinsAndEmptyValueEndsAList) {
  const IniFile ini = IniFile::Parse("[s]\nurl1=first\nurl1=second\nurl2=\nurl3=x\n[s]\nurl2=late\n");
  EXPECT_EQ(ini.Get("s", "url1"), "first");
  EXPECT_EQ(ini.UrlList("s"), std::vector<std::string>{"first"});
  EXPECT_EQ(ini.Get("missing", "url1"), "");
}

TEST(IniFileTest, ValuesKeepEqualsSignsAndAreCutAt258Bytes) {
  const IniFile ini = IniFile::Parse("[s]\nurl1=http://a/?x=1&y=2\nurl2=" + std::string(259, 'z') + "\n");
  EXPECT_EQ(ini.Get("s", "url1"), "http://a/?x=1&y=2");
  EXPECT_EQ(ini.Get("s", "url2").size(), 258u);
}
