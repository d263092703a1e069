// The pieces an update's authenticity rests on: Base64 of keys and signatures, the
// signed text, the key in use and the version order.
#include <gtest/gtest.h>

#include <cstdlib>

#include "update/Base64.h"
#include "update/TestSigner.h"
#include "update/UpdateKey.h"
#include "update/VersionNumber.h"

namespace {

TEST(Base64Test, DecodesPaddedTextAndRefusesEverythingElse) {
  EXPECT_EQ(DecodeBase64(""), std::string());
  EXPECT_EQ(DecodeBase64("YWJj"), std::string("abc"));
  EXPECT_EQ(DecodeBase64("YWI="), std::string("ab"));
  EXPECT_EQ(DecodeBase64("YQ=="), std::string("a"));
  EXPECT_EQ(DecodeBase64("AP8A+/8="), std::string("\0\xff\0\xfb\xff", 5));
  for (const char* bad : {"YWJ", "YWJjZ", "YQ", "Y===", "YQ=a", "Y=Jj", "YW J", "YWJj\n", " YWJj", "YW-j", "YW_j",
                          "YWJj====", "\xc3\xa9YWJ"})
    EXPECT_FALSE(DecodeBase64(bad)) << bad;
}

TEST(VersionNumberTest, ComparesFieldByFieldAsNumbers) {
  EXPECT_TRUE(IsNewerVersion("1.0.0.2", "1.0.0.1"));
  EXPECT_TRUE(IsNewerVersion("1.0.0.10", "1.0.0.9"));
  EXPECT_TRUE(IsNewerVersion("1.0.1", "1.0.0.1"));
  EXPECT_TRUE(IsNewerVersion("2", "1.9.9.9"));
  EXPECT_TRUE(IsNewerVersion("1.0.0.1.1", "1.0.0.1"));
  EXPECT_TRUE(IsNewerVersion("1.0.0.010", "1.0.0.9"));
  // Fields longer than any integer type still compare exactly.
  EXPECT_TRUE(IsNewerVersion("1.0.0.100000000000000000000000000000", "1.0.0.99999999999999999999999999999"));
  EXPECT_FALSE(IsNewerVersion("1.0.0.99999999999999999999999999999", "1.0.0.100000000000000000000000000000"));

  for (const char* notNewer : {"1.0.0.1", "1.0.0.1.0", "01.0.0.1", "1.0.0.0", "1.0.0", "0.9.9.9", "1"})
    EXPECT_FALSE(IsNewerVersion(notNewer, "1.0.0.1")) << notNewer;
  // Only plain dotted numbers are versions at all.
  for (const char* notAVersion : {"", "1.0.0.2 ", " 1.0.0.2", "1.0.0.2\n", "v1.0.0.2", "1..2", "1.0.0.2.", ".2", "+2",
                                  "-1", "2.x", "1.0.0.2-rc1", "１.0"})
    EXPECT_FALSE(IsNewerVersion(notAVersion, "1.0.0.1")) << notAVersion;
  EXPECT_FALSE(IsNewerVersion("1.0.0.2", "")) << "nothing is newer than an unknown version";
}

TEST(UpdateKeyTest, SignedTextIsVersionAndLowerCaseSha256OnTheirOwnLines) {
  EXPECT_EQ(UpdateKey::SignedText("1.0.0.2", "abc"),
            "varnok-update\n1.0.0.2\nba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\n");
}

TEST(UpdateKeyTest, KeysAndSignaturesMustHaveTheirExactSize) {
  const std::string key = TestSigner().PublicKeyBase64();
  EXPECT_TRUE(UpdateKey::FromBase64(key));
  for (const std::string& bad : {std::string(), EncodeBase64(std::string(31, 'k')), EncodeBase64(std::string(33, 'k')),
                                 key + "\n", " " + key, key.substr(0, 43), EncodeBase64(std::string(64, 's'))})
    EXPECT_FALSE(UpdateKey::FromBase64(bad)) << bad;
  EXPECT_TRUE(UpdateKey::SignatureFromBase64(EncodeBase64(std::string(64, 's'))));
  EXPECT_FALSE(UpdateKey::SignatureFromBase64(EncodeBase64(std::string(63, 's'))));
  EXPECT_FALSE(UpdateKey::SignatureFromBase64(EncodeBase64(std::string(65, 's'))));
  EXPECT_FALSE(UpdateKey::SignatureFromBase64(key));
}

TEST(UpdateKeyTest, EnvironmentReplacesTheBuiltInKeyEvenWithNothing) {
  unsetenv("VARNOK_UPDATE_PUBLIC_KEY");
  EXPECT_EQ(UpdateKey::ConfiguredText(), VARNOK_BUILT_IN_UPDATE_KEY);
  const std::string key = TestSigner().PublicKeyBase64();
  setenv("VARNOK_UPDATE_PUBLIC_KEY", key.c_str(), 1);
  EXPECT_EQ(UpdateKey::ConfiguredText(), key);
  // Set but empty turns updates off, whatever key the program was built with.
  setenv("VARNOK_UPDATE_PUBLIC_KEY", "", 1);
  EXPECT_EQ(UpdateKey::ConfiguredText(), "");
  unsetenv("VARNOK_UPDATE_PUBLIC_KEY");
}

}  // namespace
