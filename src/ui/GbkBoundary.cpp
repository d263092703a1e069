#include "ui/GbkBoundary.h"

#include <cctype>
#include <optional>
#include <vector>

#include "platform/GbkCodec.h"

namespace gbk_boundary {
namespace {

bool HasScheme(const std::string& address) {
  size_t colon = address.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  for (size_t i = 0; i < colon; ++i) {
    unsigned char c = static_cast<unsigned char>(address[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  // "localhost:8080/x" names a host and port, not a scheme.
  return address.compare(colon, 3, "://") == 0 || address.compare(0, colon, "about") == 0 ||
         address.compare(0, colon, "data") == 0 || address.compare(0, colon, "javascript") == 0;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The byte of the escape at `at` ("%XX"), or -1 when there is none.
int EscapedByte(const QByteArray& text, int at) {
  if (at + 2 >= text.size() || text[at] != '%') return -1;
  const int high = HexValue(text[at + 1]), low = HexValue(text[at + 2]);
  return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// Length of the UTF-8 sequence starting at bytes[at], 0 when none starts there.
size_t Utf8SequenceLength(const std::vector<unsigned char>& bytes, size_t at) {
  const unsigned char lead = bytes[at];
  const size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? (lead <= 0xEF ? 3 : 0) : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || at + length > bytes.size()) return 0;
  for (size_t i = 1; i < length; ++i)
    if ((bytes[at + i] & 0xC0) != 0x80) return 0;
  // Overlong forms and surrogates are no characters.
  if (lead == 0xE0 && bytes[at + 1] < 0xA0) return 0;
  if (lead == 0xED && bytes[at + 1] >= 0xA0) return 0;
  if (lead == 0xF0 && bytes[at + 1] < 0x90) return 0;
  if (lead == 0xF4 && bytes[at + 1] >= 0x90) return 0;
  return length;
}

std::string Escapes(const std::vector<unsigned char>& bytes, size_t from, size_t count) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (size_t i = from; i < from + count; ++i) text += {'%', kHex[bytes[i] >> 4], kHex[bytes[i] & 0xF]};
  return text;
}

// A run of escaped bytes above 0x7F: each UTF-8 character GBK holds becomes GBK, every
// other byte keeps its escape.
std::string DecodeRun(const std::vector<unsigned char>& bytes) {
  std::string out;
  for (size_t at = 0; at < bytes.size();) {
    const size_t length = Utf8SequenceLength(bytes, at);
    std::optional<std::string> gbk;
    if (length > 0) gbk = platform::Utf8ToGbkExactly(std::string(bytes.begin() + at, bytes.begin() + at + length));
    if (gbk) {
      out += *gbk;
      at += length;
    } else {
      const size_t kept = length > 0 ? length : 1;
      out += Escapes(bytes, at, kept);
      at += kept;
    }
  }
  return out;
}

}  // namespace

QString FromGbk(const std::string& gbk) { return QString::fromStdString(platform::GbkToUtf8(gbk)); }

std::string ToGbk(const QString& text) { return platform::Utf8ToGbk(text.toStdString()); }

std::string AddressToGbk(const QString& typed) {
  std::string out;
  for (uint codePoint : typed.toUcs4()) {
    const std::string utf8 = QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoint), 1).toStdString();
    const std::optional<std::string> gbk = platform::Utf8ToGbkExactly(utf8);
    if (gbk) {
      out += *gbk;
    } else {
      const std::vector<unsigned char> bytes(utf8.begin(), utf8.end());
      out += Escapes(bytes, 0, bytes.size());
    }
  }
  return out;
}

QUrl UrlFromGbk(const std::string& address) {
  const QString text = FromGbk(address);
  if (!HasScheme(address)) return QUrl::fromUserInput(text);
  return QUrl(text, QUrl::TolerantMode);
}

std::string GbkFromUrl(const QUrl& url) {
  if (url.isEmpty()) return std::string();
  const QByteArray encoded = url.toEncoded();
  std::string out;
  for (int i = 0; i < encoded.size();) {
    std::vector<unsigned char> run;
    int at = i;
    for (int byte; (byte = EscapedByte(encoded, at)) >= 0x80; at += 3) run.push_back(static_cast<unsigned char>(byte));
    if (run.empty()) {
      out += encoded[i++];
    } else {
      out += DecodeRun(run);
      i = at;
    }
  }
  return out;
}

std::string AddressAsNavigated(const std::string& address) {
  return HasScheme(address) ? address : GbkFromUrl(UrlFromGbk(address));
}

}  // namespace gbk_boundary
