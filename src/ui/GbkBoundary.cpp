#include "ui/GbkBoundary.h"

#include <cctype>

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

}  // namespace

QString FromGbk(const std::string& gbk) { return QString::fromStdString(platform::GbkToUtf8(gbk)); }

std::string ToGbk(const QString& text) { return platform::Utf8ToGbk(text.toStdString()); }

QUrl UrlFromGbk(const std::string& address) {
  if (!HasScheme(address)) return QUrl::fromUserInput(FromGbk(address));
  QByteArray encoded;
  static const char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : address) {
    if (c > 0x7F || c == ' ') {
      encoded += '%';
      encoded += kHex[c >> 4];
      encoded += kHex[c & 0xF];
    } else {
      encoded += static_cast<char>(c);
    }
  }
  return QUrl::fromEncoded(encoded, QUrl::TolerantMode);
}

std::string GbkFromUrl(const QUrl& url) {
  if (url.isEmpty()) return std::string();
  const QByteArray encoded = url.toEncoded();
  std::string bytes;
  for (int i = 0; i < encoded.size(); ++i) {
    if (encoded[i] == '%' && i + 2 < encoded.size()) {
      int high = HexValue(encoded[i + 1]), low = HexValue(encoded[i + 2]);
      if (high >= 8 && low >= 0) {
        bytes.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    bytes.push_back(encoded[i]);
  }
  return bytes;
}

}  // namespace gbk_boundary
