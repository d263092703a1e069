#include "app/ExternalAddress.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempDir.h"

namespace {

using external_address::FromArgument;
using external_address::IsOpenable;

TEST(ExternalAddressTest, ExistingLocalFilesBecomeFileAddressesOfTheirFullPath) {
  TempDir dir;
  std::filesystem::create_directories(dir / "sub dir");
  WriteFileOrDie(dir / "sub dir/页 1.html", "x");
  WriteFileOrDie(dir / "a.html", "x");
  // Relative to where the launch was started, blanks and non-ASCII bytes %-encoded.
  EXPECT_EQ(FromArgument("sub dir/页 1.html", dir.path()),
            "file://" + dir.path() + "sub%20dir/%E9%A1%B5%201.html");
  EXPECT_EQ(FromArgument("./sub dir/../a.html", dir.path()), "file://" + dir.path() + "a.html");
  EXPECT_EQ(FromArgument(dir / "a.html", "/"), "file://" + dir.path() + "a.html");
  EXPECT_EQ(FromArgument("  a.html\n", dir.path()), "file://" + dir.path() + "a.html");
  // A directory opens as well, as in the address box.
  EXPECT_EQ(FromArgument("sub dir", dir.path()), "file://" + dir.path() + "sub%20dir");
}

TEST(ExternalAddressTest, EverythingElseIsKeptAsTypedInGbk) {
  TempDir dir;
  WriteFileOrDie(dir / "example.org", "a file that happens to share the name");
  // A web address is never taken for a file, even when one of that name exists.
  EXPECT_EQ(FromArgument("http://example.org/", dir.path()), "http://example.org/");
  EXPECT_EQ(FromArgument("missing.html", dir.path()), "missing.html");
  EXPECT_EQ(FromArgument("localhost:8080/x", "/nonexistent"), "localhost:8080/x");
  // 中文 in UTF-8 from the desktop becomes GBK, the program's text.
  EXPECT_EQ(FromArgument("http://example.org/\xe4\xb8\xad\xe6\x96\x87", dir.path()), "http://example.org/\xd6\xd0\xce\xc4");
  EXPECT_EQ(FromArgument("   ", dir.path()), "");
}

TEST(ExternalAddressTest, OnlyWebAndFileAddressesComeInFromOutside) {
  for (const char* address : {"http://example.org/", "HTTPS://example.org/a?b=c&d", "ftp://files.example.org/",
                              "file:///etc/hosts", "example.org", "localhost:8080/x", "localhost:8080",
                              "127.0.0.1:99?x", "\xd6\xd0\xce\xc4.com", "a b"})
    EXPECT_TRUE(IsOpenable(address)) << address;
  for (const char* address : {"", "javascript:alert(1)", "JavaScript:alert(1)", "jAvAsCrIpT:x", "data:text/html,<b>",
                              "vbscript:x", "view-source:http://example.org/", "about:blank", "chrome://settings",
                              "blob:http://a/x", "mailto:a@b", " javascript:alert(1)", "javascript:alert(1) ",
                              "\tjavascript:x", "http://a/\n", "java\nscript:x", "localhost:80x"})
    EXPECT_FALSE(IsOpenable(address)) << address;
}

}  // namespace
