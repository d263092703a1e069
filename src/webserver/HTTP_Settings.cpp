#include "webserver/HTTP_Settings.h"

#include <cstdlib>

namespace {

std::string EnvironmentOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : fallback;
}

}  // namespace

HTTP_Settings HTTP_Settings::FromEnvironment(const std::string& programDirectory) {
  std::string root = programDirectory;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  if (root.empty()) root = ".";
  HTTP_Settings settings;
  settings.document_root = EnvironmentOr("JAWS_DOCUMENT_ROOT", root);
  settings.cgi_path = EnvironmentOr("JAWS_CGI_PATH", settings.cgi_path);
  settings.user_dir = EnvironmentOr("JAWS_USER_DIR", settings.user_dir);
  return settings;
}
