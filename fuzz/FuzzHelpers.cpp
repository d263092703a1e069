// The in-place decoders must never write or read past the text they are given, and
// the URL splitter must cope with any text.
#include <ace/Log_Msg.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "webclient/UrlParser.h"
#include "webserver/HTTP_Helpers.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ACE_Log_Msg::instance()->priority_mask(LM_ERROR, ACE_Log_Msg::PROCESS);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t length = std::strlen(input.c_str());

  std::string unescape = input;
  HTTP_Helpers::url_unescape(unescape.data());
  if (std::strlen(unescape.c_str()) > length) std::abort();

  std::string base64 = input;
  HTTP_Helpers::base64_decode(base64.data());
  if (std::strlen(base64.c_str()) > length) std::abort();

  UrlParser url(input);
  if (url.host() && !url.path()) std::abort();

  HTTP_Helpers::status_text(static_cast<int>(size % 600));
  return 0;
}
