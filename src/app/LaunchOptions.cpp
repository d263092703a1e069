#include "app/LaunchOptions.h"

#include <cstring>

#include "app/Config.h"

LaunchOptions LaunchOptions::Parse(int argc, char** argv) {
  LaunchOptions options;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
      options.addresses.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "--headless") {
      options.headless = true;
    } else if (argument == "--verbose") {
      options.verbose = true;
    } else if (argument == "--version") {
      options.version = true;
    } else if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "-update" && i == argc - 1) {
      options.install = true;
    } else if (options.unknownOption.empty()) {
      options.unknownOption = argument;
    }
  }
  return options;
}

std::string VersionText() { return "varnok " + config::FileVersionString() + "\n"; }

std::string HelpText() {
  return "Usage: varnok [OPTION]... [ADDRESS]...\n"
         "A web browser with several page windows in one main window.\n"
         "\n"
         "Each ADDRESS (a web address, or the path of a local file) opens in a page window of\n"
         "its own after the home page. When varnok already runs for this account, the\n"
         "addresses go to that program, whose window comes to the front, and this launch ends.\n"
         "\n"
         "Options:\n"
         "  --headless   run without any window until SIGINT, SIGTERM or SIGHUP\n"
         "  --verbose    the server's and the updater's debug log on standard error\n"
         "  --version    print the version and exit\n"
         "  --help       print this help and exit\n"
         "  --           what follows are addresses, even when they begin with \"-\"\n"
         "\n"
         "Environment:\n"
         "  VARNOK_SITE_URL          product site: update files, single-instance token\n"
         "                           (default " VARNOK_DEFAULT_SITE_URL ")\n"
         "  VARNOK_PORTAL_URL        portal: default home page (default " VARNOK_DEFAULT_PORTAL_URL ")\n"
         "  VARNOK_PORT              port of the embedded server (default " VARNOK_DEFAULT_PORT ";\n"
         "                           0: any free port)\n"
         "  VARNOK_PORT_FILE         tests only: a file where the server writes the port it took\n"
         "  VARNOK_SEARCH_URL        where words typed into the address box are searched,\n"
         "                           %s standing for them (default Baidu's query address)\n"
         "  VARNOK_UPDATE_FIRST_MS, VARNOK_UPDATE_RETRY_MS, VARNOK_UPDATE_NEXT_MS\n"
         "                           update schedule: first check, after a failed, after a\n"
         "                           successful check (default 3000, 3600000, 86400000 ms)\n"
         "  VARNOK_UPDATE_PAUSE_MS   pause at the start of each update check (default 5000)\n"
         "  VARNOK_INSTALL_RETRY_MS  install mode: wait between its copy attempts (default 500)\n"
         "  VARNOK_UPDATE_PUBLIC_KEY\n"
         "                           Base64 of the Ed25519 key updates must be signed with\n"
         "                           (set but empty: no updates)\n"
         "  VARNOK_UPDATE_AUTO_ACCEPT=1  tests only: --headless answers the update question OK\n"
         "  VARNOK_RECV_TIMEOUT_MS   the server drops a client whose request head takes\n"
         "                           longer, or that sends nothing this long (default 15000)\n"
         "  VARNOK_VERBOSE=1         the same as --verbose\n"
         "  VARNOK_WIDGET_MAP        tests only: a file where the window reports its widgets\n"
         "  JAWS_DOCUMENT_ROOT, JAWS_CGI_PATH, JAWS_USER_DIR\n"
         "                           the embedded server's files\n"
         "  XDG_RUNTIME_DIR          where the running program listens for later launches\n"
         "  XDG_DATA_HOME, XDG_CACHE_HOME\n"
         "                           the data directory below (default ~/.local/share) with the\n"
         "                           web profile (cookies, site data) in varnok/profile/; the\n"
         "                           profile's disk cache (default ~/.cache) in varnok/profile/\n"
         "\n"
         "Files:\n"
         "  varnok.ini (favorites, history, home page), the generated pages scj.htm,\n"
         "  menu.htm and sysmsg.htm, and downloaded updates in update/ are kept beside the\n"
         "  program when its directory can be written by this account. Otherwise (a shared\n"
         "  installation, such as a package, or any program directory below /usr) they are\n"
         "  kept in the data directory $XDG_DATA_HOME/varnok/, and self-update is off: the\n"
         "  package manager updates the program.\n";
}
