#include "webserver/Port_Report.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

void Port_Report::publish(int port) {
  const char* path = std::getenv("VARNOK_PORT_FILE");
  if (!path || !*path) return;
  const std::string partial = std::string(path) + ".part";
  {
    std::ofstream file(partial, std::ios::trunc);
    file << port << '\n';
    if (!file.flush()) return;
  }
  std::rename(partial.c_str(), path);
}
