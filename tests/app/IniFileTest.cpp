#include "app/IniFile.h"

#include <gtest/gtest.h>

TEST(IniFileTest, LineEndsAndWhiteSpaceReadAlike) {
  const IniFile crlf = IniFile::Parse("[History]\r\nURL1=a\r\nurl2 = b \r\n");
  const IniFile crcrlf = IniFile::Parse("[history]\r\r\nurl1=a\r\r\nurl2 = b \t\r\r\n");
  const IniFile lf = IniFile::Parse("  [history]  \nurl1=a\nurl2=b");
  for (const IniFile* ini : {&crlf, &crcrlf, &lf})
    EXPECT_EQ(ini->UrlList("HISTORY"), (std::vector<std::string>{"a", "b"}));
}

TEST(IniFileTest, FirstOccurrenceWinsAndEmptyValueEndsAList) {
  const IniFile ini = IniFile::Parse("[s]\nurl1=first\nurl1=second\nurl2=\nurl3=x\n[s]\nurl2=late\n");
  EXPECT_EQ(ini.Get("s", "url1"), "first");
  EXPECT_EQ(ini.UrlList("s"), std::vector<std::string>{"first"});
  EXPECT_EQ(ini.Get("missing", "url1"), "");
}

TEST(IniFileTest, ValuesAreWholeUpTo8KiBAndLongerOnesAreLeftOutWithoutEndingAList) {
  const std::string longest(IniFile::kMaxValueLength, 'z');
  const std::string tooLong(IniFile::kMaxValueLength + 1, 'y');
  const IniFile ini = IniFile::Parse("[s]\nurl1=http://a/?x=1&y=2\nurl2=" + longest + "\nurl3=\"" + tooLong +
                                     "\"\nurl4=d\n[h]\nurl1=" + tooLong + "\n");
  EXPECT_EQ(ini.Get("s", "url1"), "http://a/?x=1&y=2");
  std::vector<std::string> leftOut;
  EXPECT_EQ(ini.UrlList("s", &leftOut), (std::vector<std::string>{"http://a/?x=1&y=2", longest, "d"}));
  EXPECT_EQ(ini.Get("h", "url1", &leftOut), "");
  EXPECT_EQ(leftOut, (std::vector<std::string>{"[s] url3", "[h] url1"}));
}

TEST(IniFileTest, EnclosingQuotesOfEitherKindAreDropped) {
  const IniFile ini = IniFile::Parse(
      "[s]\nurl1=\"http://a/\"\nurl2 = 'http://b/' \nurl3=\"http://c/'\nurl4=\"\nurl5=\"say \"hi\"\"\nurl6=''\n"
      "url7=x\n");
  EXPECT_EQ(ini.Get("s", "url1"), "http://a/");
  EXPECT_EQ(ini.Get("s", "url2"), "http://b/");
  EXPECT_EQ(ini.Get("s", "url3"), "\"http://c/'") << "quotes that do not match stay";
  EXPECT_EQ(ini.Get("s", "url4"), "\"") << "a lone quote is no pair";
  EXPECT_EQ(ini.Get("s", "url5"), "say \"hi\"") << "only the outer pair goes";
  // Quotes around nothing read as an empty value, which ends a list like a missing key.
  EXPECT_EQ(ini.UrlList("s"), (std::vector<std::string>{"http://a/", "http://b/", "\"http://c/'", "\"", "say \"hi\""}));
  // The length counts the bytes inside the quotes.
  const IniFile longValue = IniFile::Parse("[s]\nurl1=\"" + std::string(IniFile::kMaxValueLength, 'q') + "\"\n");
  EXPECT_EQ(longValue.Get("s", "url1"), std::string(IniFile::kMaxValueLength, 'q'));
}

TEST(IniFileTest, OnlyTheFirstSectionOfANameCounts) {
  const IniFile ini = IniFile::Parse(
      "[history]\r\nurl1=a\r\nurl2=b\r\n[soucangjia]\r\nurl1=f\r\n[HISTORY]\r\nurl3=c\r\nurl1=z\r\n"
      "[ history ]\r\nother=1\r\n[soucangjia]\r\nurl2=g\r\n");
  EXPECT_EQ(ini.UrlList("history"), (std::vector<std::string>{"a", "b"}))
      << "a later section neither adds nor replaces";
  EXPECT_EQ(ini.Get("history", "other"), "");
  EXPECT_EQ(ini.UrlList("soucangjia"), std::vector<std::string>{"f"});
}

TEST(IniFileTest, AValueEndsAtANulByte) {
  using namespace std::string_literals;
  const IniFile ini =
      IniFile::Parse("[s]\nurl1=http://a/\0junk\nurl2=\"http://b/\"\0\"\nurl3=\0hidden\nurl4=d\n[t]\nk=v\n"s);
  EXPECT_EQ(ini.Get("s", "url1"), "http://a/");
  EXPECT_EQ(ini.Get("s", "url2"), "http://b/") << "the quotes are judged on what is left";
  EXPECT_EQ(ini.Get("s", "url3"), "");
  EXPECT_EQ(ini.UrlList("s"), (std::vector<std::string>{"http://a/", "http://b/"}));
  EXPECT_EQ(ini.Get("t", "k"), "v") << "the lines after a NUL are still read";
}

TEST(IniFileTest, ListKeysAreFoundInAnyOrderAndTheFirstOfEachWins) {
  const IniFile ini =
      IniFile::Parse("[s]\nurl3=c\nURL1=a\nurl01=not-url1\nurl2=b\nurl1=late\nurl5=e\nurl4=d\nurl3=late\nurl7=g\n");
  EXPECT_EQ(ini.UrlList("s"), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
  EXPECT_EQ(ini.Get("s", "url01"), "not-url1");
  // A number far beyond the section's length cannot be part of a list.
  EXPECT_EQ(IniFile::Parse("[s]\nurl18446744073709551617=x\nurl1=a\n").UrlList("s"), std::vector<std::string>{"a"});
}
