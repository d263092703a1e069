// Feeds arbitrary bytes to the request parser the way the connection handler does:
// receive by receive into one 8193-byte block, parsing after each, until the request
// is complete or 8192 unparsed bytes fill the block. The first input byte chooses the
// receive sizes, so split requests (CR | LF) are explored too.
#include <ace/Log_Msg.h>
#include <ace/Message_Block.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <algorithm>

#include "webserver/HTTP_Request.h"

namespace {

constexpr size_t kBlock = 8193;
constexpr size_t kData = kBlock - 1;

void Exercise(HTTP_Request& request) {
  for (int i = 0; i < HTTP_Request::kHeaderCount; ++i) request.header_value(i);
  request.body_length();
  volatile size_t sink = 0;
  for (const char* text : {request.method(), request.uri(), request.version(), request.path(), request.cgi_args(),
                           request.query_string(), request.path_info()})
    if (text) sink += std::strlen(text);
  for (const auto& piece : request.cgi_pairs()) sink += piece.size();
  if (request.body()) sink += static_cast<size_t>(request.body()[request.body_size()] == '\0');
  if (sink == static_cast<size_t>(-1)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ACE_Log_Msg::instance()->priority_mask(LM_ERROR, ACE_Log_Msg::PROCESS);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t chunk = 1 + data[0] % 64;
  ++data;
  --size;
  HTTP_Settings settings;
  settings.document_root = "/srv/www";
  settings.cgi_path = "cgi-bin:/abs/cgi";
  HTTP_Request request(settings);
  ACE_Message_Block block(kBlock);
  size_t offset = 0;
  for (;;) {
    size_t room = kData - block.length();
    size_t n = std::min({chunk, room, size - offset});
    if (n == 0) break;
    std::memcpy(block.wr_ptr(), data + offset, n);
    block.wr_ptr(n);
    offset += n;
    if (request.parse(block)) {
      Exercise(request);
      break;
    }
    if (block.length() >= kData) break;
  }
  return 0;
}
