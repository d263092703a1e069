#include "app/LaunchOptions.h"

#include <gtest/gtest.h>

namespace {

LaunchOptions Parse(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "/opt/varnok/varnok");
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  return LaunchOptions::Parse(static_cast<int>(argv.size()), argv.data());
}

using Addresses = std::vector<std::string>;

TEST(LaunchOptionsTest, OptionsAndAddressesInAnyOrder) {
  const LaunchOptions options = Parse({"http://a/", "--verbose", "b.html", "--headless"});
  EXPECT_TRUE(options.verbose);
  EXPECT_TRUE(options.headless);
  EXPECT_FALSE(options.help || options.version);
  EXPECT_EQ(options.addresses, (Addresses{"http://a/", "b.html"}));
  EXPECT_TRUE(options.unknownOption.empty());
  EXPECT_TRUE(Parse({"--help"}).help);
  EXPECT_TRUE(Parse({"-h"}).help);
  EXPECT_TRUE(Parse({"--version"}).version);
}

TEST(LaunchOptionsTest, AfterTheEndOfOptionsEverythingIsAnAddress) {
  const LaunchOptions options = Parse({"--", "--version", "-x", ""});
  EXPECT_FALSE(options.version);
  EXPECT_TRUE(options.unknownOption.empty());
  EXPECT_EQ(options.addresses, (Addresses{"--version", "-x", ""}));
  EXPECT_EQ(Parse({"-"}).addresses, Addresses{"-"});
}

TEST(LaunchOptionsTest, UnknownOptionsAreNamedAndTheInstallSwitchOnlyAtTheEnd) {
  EXPECT_EQ(Parse({"--colour", "--size"}).unknownOption, "--colour");
  EXPECT_EQ(Parse({"-update"}).unknownOption, "");
  EXPECT_TRUE(Parse({"-update"}).addresses.empty());
  EXPECT_EQ(Parse({"-update", "http://a/"}).unknownOption, "-update");
  // Only an argument that is exactly the switch, and the last one, installs: an address
  // another program hands over may well end in "-update".
  EXPECT_TRUE(Parse({"-update"}).install);
  EXPECT_TRUE(Parse({"http://a/", "-update"}).install);
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"https://x/get-update"}, {"/a/b -update"}, {"-update", "x"},
                                             {"-updatex"}, {"--", "-update"}, {}})
    EXPECT_FALSE(Parse(arguments).install) << (arguments.empty() ? "" : arguments.back());
}

TEST(LaunchOptionsTest, VersionTextIsTheProgramsVersion) { EXPECT_EQ(VersionText(), "varnok 1.0.0.1\n"); }

}  // namespace
