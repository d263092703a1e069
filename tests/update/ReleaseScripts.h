#pragma once
#include <string>
#include <vector>

// The release tools in scripts/, run as a releaser runs them: by bash, with their
// standard output captured (standard error goes to the test's log).
struct ScriptRun {
  int status = -1;
  std::string output;
};

ScriptRun RunReleaseScript(const std::string& script, const std::vector<std::string>& arguments);

// scripts/make-update-key.sh: writes the private key to `privateKeyPath` and returns the
// public half as Base64 (throws when the script fails).
std::string MakeUpdateKey(const std::string& privateKeyPath);
// scripts/sign-update.sh: the <version>, <md5> and <signature> lines for `file`.
std::string SignUpdate(const std::string& privateKeyPath, const std::string& file, const std::string& version);

// The repository the tests were built from.
std::string SourceDirectory();
