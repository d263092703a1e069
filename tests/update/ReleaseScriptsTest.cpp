// The release tools as a releaser uses them: a key made outside the tree, a program
// signed with it, and the printed lines pasted into update.xml.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/TempDir.h"
#include "update/FakeWindows.h"
#include "update/LocalSite.h"
#include "update/Md5Hex.h"
#include "update/ReleaseScripts.h"
#include "update/UpdateChecker.h"
#include "update/UpdateKey.h"

namespace {

using namespace std::chrono_literals;

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

TEST(ReleaseScriptsTest, SignedLinesPastedIntoTheDescriptionGetTheUpdateOffered) {
  TempDir dir;
  LocalSite site;
  FakeWindows windows;
  const std::string program("#!/bin/sh\n\0binary", 18);
  WriteFileOrDie(dir / "release", program);
  site.Put("software/varnok", program);
  const std::string publicKey = MakeUpdateKey(dir / "vendor.pem");
  const std::string lines = SignUpdate(dir / "vendor.pem", dir / "release", "1.0.0.2");
  std::string md5;
  Md5HexOf(program, &md5);
  EXPECT_NE(lines.find("<version>1.0.0.2</version>\n<md5>" + md5 + "</md5>\n<signature>"), std::string::npos) << lines;
  site.Put("software/update.xml",
           "<update>\n<flag>varnok update xml flag</flag>\n<software>\n" + lines + "</software>\n</update>\n");

  UpdateChecker::Options options;
  options.pause = 0ms;
  options.timeout = 2000ms;
  options.descriptionUrl = site.Url() + "software/update.xml";
  options.programUrl = site.Url() + "software/varnok";
  options.moduleDirectory = dir / "program/";
  options.localVersion = "1.0.0.1";
  options.windows = [&] { return &windows; };
  options.publicKey = publicKey;
  std::filesystem::create_directories(options.moduleDirectory);
  EXPECT_TRUE(UpdateChecker(options).Run());
  EXPECT_EQ(windows.questions.size(), 1u);

  // The same lines with a key of another release process are refused.
  options.publicKey = MakeUpdateKey(dir / "other.pem");
  EXPECT_FALSE(UpdateChecker(options).Run());
  EXPECT_EQ(windows.questions.size(), 1u);
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
