#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/CommandLine.h"
#include "app/ExternalAddress.h"
#include "app/HeadlessWindowSystem.h"
#include "app/LaunchOptions.h"
#include "app/VarnokApp.h"
#include "platform/ShutdownSignals.h"
#ifdef VARNOK_WITH_UI
#include "ui/QtShell.h"
#endif

namespace {

// The addresses of the command line as the program opens them (GBK); files named
// relative to where the program was started become file URLs here, since the running
// program they may be handed to works elsewhere.
std::vector<std::string> LaunchAddresses(const LaunchOptions& options) {
  std::error_code error;
  const std::string workingDirectory = std::filesystem::current_path(error).string();
  std::vector<std::string> addresses;
  for (const std::string& argument : options.addresses)
    addresses.push_back(external_address::FromArgument(argument, workingDirectory));
  return addresses;
}

}  // namespace

int main(int argc, char** argv) {
  // Answered at once: no display, no state, no varnok.ini.
  const LaunchOptions options = LaunchOptions::Parse(argc, argv);
  if (options.help) return std::fputs(HelpText().c_str(), stdout) < 0 ? 1 : 0;
  if (options.version) return std::fputs(VersionText().c_str(), stdout) < 0 ? 1 : 0;
  if (!options.unknownOption.empty() && !options.install) {
    std::fprintf(stderr, "varnok: unknown option %s (varnok --help lists the options)\n", options.unknownOption.c_str());
    return 2;
  }

  // Before any thread exists, so that every thread inherits the mask and the shutdown
  // signals reach only the main loop.
  platform::BlockShutdownSignals();
  if (options.verbose) setenv("VARNOK_VERBOSE", "1", 1);
  std::vector<std::string> addresses = LaunchAddresses(options);
#ifdef VARNOK_WITH_UI
  // An installer started where no display is reachable still installs, without its window.
  const bool windowless = options.headless || (options.install && !DisplayAvailable());
  if (!windowless) return RunQtShell(argc, argv, options.install, std::move(addresses));
#endif
  HeadlessWindowSystem windows;
  VarnokApp app(windows, options.install, std::move(addresses));
  return app.Run();
}
