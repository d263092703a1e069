// The varnok.ini reader must read any bytes without reading past them, and the lists
// it yields hold only non-empty values within the length cut.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const IniFile ini = IniFile::Parse(std::string(reinterpret_cast<const char*>(data), size));
  for (const char* section : {"history", "soucangjia", "homeurl"}) {
    for (const std::string& value : ini.UrlList(section))
      if (value.empty() || value.size() > IniFile::kMaxValueLength) std::abort();
    if (ini.Get(section, "url1").size() > IniFile::kMaxValueLength) std::abort();
  }
  return 0;
}
