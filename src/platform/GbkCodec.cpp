#include "platform/GbkCodec.h"

#include <iconv.h>

#include <cerrno>

namespace platform {
namespace {

std::string Convert(const char* to, const char* from, const std::string& input, char replacement) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return input;
  std::string out;
  std::string in = input;
  char* src = &in[0];
  size_t srcLeft = in.size();
  char buffer[4096];
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, sizeof buffer - dstLeft);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // An invalid or truncated sequence: keep going after one byte.
      out.push_back(replacement);
      ++src;
      --srcLeft;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string GbkToUtf8(const std::string& gbk) { return Convert("UTF-8", "GB18030", gbk, '?'); }

std::string Utf8ToGbk(const std::string& utf8) { return Convert("GBK", "UTF-8", utf8, '?'); }

std::optional<std::string> Utf8ToGbkExactly(const std::string& utf8) {
  // A byte no input can produce marks a character that did not convert.
  const std::string gbk = Convert("GBK", "UTF-8", utf8, '\xFF');
  if (gbk.find('\xFF') != std::string::npos) return std::nullopt;
  return gbk;
}

std::optional<std::string> GbkToUtf8Exactly(const std::string& gbk) {
  // UTF-8 never holds the byte 0xFF either.
  const std::string utf8 = Convert("UTF-8", "GBK", gbk, '\xFF');
  if (utf8.find('\xFF') != std::string::npos) return std::nullopt;
  return utf8;
}

}  // namespace platform
