// The release tools refusing what a releaser may get wrong. The end-to-end update tests
// sign every release with them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/TempDir.h"
#include "update/ReleaseScripts.h"
#include "update/UpdateKey.h"

namespace {

TEST(ReleaseScriptsTest, KeyIsMadeOnlyOutsideTheRepositoryAndNeverOverwritten) {
  const std::string inside = SourceDirectory() + "/update-key-test.pem";
  EXPECT_NE(RunReleaseScript("make-update-key.sh", {inside}).status, 0);
  EXPECT_FALSE(std::filesystem::exists(inside));
  // A path that only resolves into the repository is inside it too.
  TempDir dir;
  std::filesystem::create_directory_symlink(SourceDirectory() + "/scripts", dir / "link");
  EXPECT_NE(RunReleaseScript("make-update-key.sh", {dir / "link/key.pem"}).status, 0);
  EXPECT_FALSE(std::filesystem::exists(SourceDirectory() + "/scripts/key.pem"));

  const std::string publicKey = MakeUpdateKey(dir / "keys/vendor.pem");
  EXPECT_TRUE(UpdateKey::FromBase64(publicKey)) << publicKey;
  struct stat st {};
  ASSERT_EQ(stat((dir / "keys/vendor.pem").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 077, 0u) << "the private key is readable by others";

  const std::string before = ReadFileOrEmpty(dir / "keys/vendor.pem");
  EXPECT_NE(RunReleaseScript("make-update-key.sh", {dir / "keys/vendor.pem"}).status, 0);
  EXPECT_EQ(ReadFileOrEmpty(dir / "keys/vendor.pem"), before);
}

TEST(ReleaseScriptsTest, SigningRefusesVersionsTheProgramWouldNeverOffer) {
  TempDir dir;
  WriteFileOrDie(dir / "release", "program");
  MakeUpdateKey(dir / "vendor.pem");
  for (const char* version : {"1.0.0.2 ", "v2", "1..2", "", "1.0.0.2</version><md5>"})
    EXPECT_NE(RunReleaseScript("sign-update.sh", {dir / "vendor.pem", dir / "release", version}).status, 0) << version;
  EXPECT_NE(RunReleaseScript("sign-update.sh", {dir / "missing.pem", dir / "release", "2"}).status, 0);
  EXPECT_NE(RunReleaseScript("sign-update.sh", {dir / "vendor.pem", dir / "missing", "2"}).status, 0);
}

}  // namespace
