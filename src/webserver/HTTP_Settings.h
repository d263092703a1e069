#pragma once
#include <string>

// Where the server finds files, CGI programs and user pages. Read from the environment
// when a server starts: JAWS_DOCUMENT_ROOT, JAWS_CGI_PATH (":"-separated), JAWS_USER_DIR.
// A variable set to the empty string counts as set.
struct HTTP_Settings {
  std::string document_root;
  std::string cgi_path = "cgi-bin";
  std::string user_dir = ".www";

  // The document root defaults to `programDirectory` (without its trailing "/"), so the
  // program's own pages are served wherever it was started from and the user's working
  // directory never is.
  static HTTP_Settings FromEnvironment(const std::string& programDirectory);
};
