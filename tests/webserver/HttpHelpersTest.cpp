#include <gtest/gtest.h>

#include <string>

#include "webserver/HTTP_Helpers.h"

namespace {

std::string Unescape(std::string text) { return HTTP_Helpers::url_unescape(text.data()); }

// Decodes a copy; "<error>" when the decoder refuses the input.
std::string Decode(std::string text) {
  const char* result = HTTP_Helpers::base64_decode(text.data());
  return result ? std::string(result) : "<error>";
}

TEST(HttpHelpersTest, UnescapeDecodesPairsAndStopsAtAZeroByte) {
  EXPECT_EQ(Unescape("a%20b%2Fc"), "a b/c");
  EXPECT_EQ(Unescape("100%25"), "100%");
  EXPECT_EQ(Unescape("x%zzy"), "x");
  EXPECT_EQ(Unescape("a+b"), "a+b");
  // A "%" at the very end never reads past the terminator.
  EXPECT_EQ(Unescape("ab%"), "ab%");
  EXPECT_EQ(Unescape("ab%4"), "ab%4");
}

TEST(HttpHelpersTest, Base64DecodesCredentialsAndRejectsTruncatedInput) {
  EXPECT_EQ(Decode("dXNlcjpwYXNzd29yZA=="), "user:password");
  EXPECT_EQ(Decode("dXNlcjpw\r\nYXNzd29yZA=="), "user:password");
  EXPECT_EQ(Decode("YWI="), "ab");
  EXPECT_EQ(Decode("QQ=="), "A");
  EXPECT_EQ(Decode("QUJD"), "ABC");
  EXPECT_EQ(Decode("QUJDR"), "<error>");
  EXPECT_EQ(Decode("Q="), "<error>");
  EXPECT_EQ(Decode(""), "");
}

TEST(HttpHelpersTest, StatusTextsCoverTheServersCodes) {
  EXPECT_STREQ(HTTP_Helpers::status_text(404), "Not Found");
  EXPECT_STREQ(HTTP_Helpers::status_text(501), "Not Implemented");
  EXPECT_STREQ(HTTP_Helpers::status_text(418), "Unknown");
  EXPECT_STREQ(HTTP_Helpers::status_text(0), "Unknown");
}

}  // namespace
