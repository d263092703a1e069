#include "app/Config.h"

#include <cstdlib>

namespace config {
namespace {

std::string FromEnvironment(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return (value && *value) ? value : fallback;
}

// Site and portal URLs are used as bases that file names are appended to.
std::string WithTrailingSlash(std::string url) {
  if (url.empty() || url.back() != '/') url.push_back('/');
  return url;
}

}  // namespace

std::string SiteUrl() { return WithTrailingSlash(FromEnvironment("VARNOK_SITE_URL", VARNOK_DEFAULT_SITE_URL)); }

std::string SiteHost() {
  std::string url = SiteUrl();
  size_t start = url.find("://");
  start = (start == std::string::npos) ? 0 : start + 3;
  size_t end = url.find('/', start);
  return url.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string PortalUrl() { return WithTrailingSlash(FromEnvironment("VARNOK_PORTAL_URL", VARNOK_DEFAULT_PORTAL_URL)); }

std::string ConfiguredPort() { return FromEnvironment("VARNOK_PORT", VARNOK_DEFAULT_PORT); }

std::string FileVersionString() { return VARNOK_VERSION; }

std::chrono::milliseconds MillisecondsFromEnvironment(const char* name, std::chrono::milliseconds fallback) {
  const char* value = std::getenv(name);
  if (!value || !*value) return fallback;
  char* end = nullptr;
  long long ms = std::strtoll(value, &end, 10);
  return (*end == '\0' && ms >= 0) ? std::chrono::milliseconds(ms) : fallback;
}

}  // namespace config
