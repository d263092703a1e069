#include "webclient/UrlParser.h"

#include <cstring>

UrlParser::UrlParser(const std::string& url) {
  char work[kWorkBuffer] = {};
  std::strncpy(work, url.c_str(), kWorkBuffer - 1);
  char* save = nullptr;
  if (const char* scheme = strtok_r(work, ": ", &save)) {
    scheme_ = scheme;
    if (const char* host = strtok_r(nullptr, "/", &save)) {
      host_ = host;
      // Whatever follows the host's "/" is the path; strtok_r leaves it in `save`.
      path_ = (save && *save) ? std::string(save) : std::string("/index.html");
    }
  }
}
