#pragma once
#include <string>
#include <vector>

// What the person asked for on the command line.
struct LaunchOptions {
  bool headless = false;
  bool verbose = false;
  bool version = false;
  bool help = false;
  // The install switch: the last argument is exactly "-update" (an address that ends
  // in "-update" is an address).
  bool install = false;
  // The addresses to open, as given (the arguments that are not options).
  std::vector<std::string> addresses;
  // The first argument that looks like an option but is none; empty when all are known.
  std::string unknownOption;

  // Reads argv. "--" ends the options: what follows is an address even when it begins
  // with "-".
  static LaunchOptions Parse(int argc, char** argv);
};

// "varnok 1.0.0.1" and a line end.
std::string VersionText();
// The options and environment variables, as the README lists them.
std::string HelpText();
