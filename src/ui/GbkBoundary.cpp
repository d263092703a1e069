#include "ui/GbkBoundary.h"

#include <algorithm>
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

bool IsUtf8(const std::vector<unsigned char>& bytes) {
  for (size_t at = 0; at < bytes.size();) {
    const size_t length = Utf8SequenceLength(bytes, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

// A run of escaped bytes above 0x7F read back from the engine: UTF-8 characters that GBK
// holds become GBK, every other byte keeps its escape.
std::string DecodeUtf8Run(const std::vector<unsigned char>& bytes) {
  const std::string raw(bytes.begin(), bytes.end());
  std::string out;
  for (size_t at = 0; at < bytes.size();) {
    const size_t length = Utf8SequenceLength(bytes, at);
    std::optional<std::string> gbk;
    if (length > 0) gbk = platform::Utf8ToGbkExactly(raw.substr(at, length));
    const size_t used = length > 0 ? length : 1;
    out += gbk ? *gbk : Escapes(bytes, at, used);
    at += used;
  }
  return out;
}

// GBK text with its two-byte characters escaped whole (a trail byte may be ASCII), the
// rest as it is.
QString EscapeGbkCharacters(const std::string& gbk) {
  const std::vector<unsigned char> bytes(gbk.begin(), gbk.end());
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] < 0x80) {
      out += static_cast<char>(bytes[i]);
    } else {
      const size_t width = bytes[i] >= 0x81 && i + 1 < bytes.size() ? 2 : 1;
      out += Escapes(bytes, i, width);
      i += width - 1;
    }
  }
  return QString::fromLatin1(out.c_str());
}

// The escaped bytes starting at `at`: bytes above 0x7F, and with `gbkPairs` also the
// ASCII-range trail byte of each GBK character. *end is where they stop.
std::vector<unsigned char> CollectRun(const QByteArray& encoded, int at, bool gbkPairs, int* end) {
  std::vector<unsigned char> run;
  for (int byte; (byte = EscapedByte(encoded, at)) >= 0x80;) {
    run.push_back(static_cast<unsigned char>(byte));
    at += 3;
    const int trail = EscapedByte(encoded, at);
    if (gbkPairs && byte >= 0x81 && trail >= 0x40 && trail < 0x80 && trail != 0x7F) {
      run.push_back(static_cast<unsigned char>(trail));
      at += 3;
    }
  }
  *end = at;
  return run;
}

// Reads the escapes starting at encoded[*at] and moves *at past what it used. A query
// run that is no UTF-8 but whole GBK characters (queries are sent in GBK) is those
// characters.
std::string DecodeEscapes(const QByteArray& encoded, int* at, bool inQuery) {
  int end = *at;
  const std::vector<unsigned char> high = CollectRun(encoded, *at, false, &end);
  if (inQuery && !IsUtf8(high)) {
    int gbkEnd = *at;
    const std::vector<unsigned char> paired = CollectRun(encoded, *at, true, &gbkEnd);
    const std::string raw(paired.begin(), paired.end());
    if (platform::GbkToUtf8Exactly(raw)) {
      *at = gbkEnd;
      return raw;
    }
  }
  *at = end;
  return DecodeUtf8Run(high);
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
  // GBK never uses '?' or '#' inside a character, so they split the address as bytes.
  const size_t hash = address.find('#');
  const size_t question = address.substr(0, hash).find('?');
  QString text = FromGbk(address.substr(0, std::min(question, hash)));
  if (question != std::string::npos)
    text += QLatin1Char('?') + EscapeGbkCharacters(address.substr(question + 1, hash == std::string::npos ? hash : hash - question - 1));
  if (hash != std::string::npos) text += QLatin1Char('#') + FromGbk(address.substr(hash + 1));
  if (!HasScheme(address)) return QUrl::fromUserInput(text);
  return QUrl(text, QUrl::TolerantMode);
}

std::string GbkFromUrl(const QUrl& url) {
  if (url.isEmpty()) return std::string();
  const QByteArray encoded = url.toEncoded();
  const int question = encoded.indexOf('?'), hash = encoded.indexOf('#');
  auto inQuery = [&](int at) { return question >= 0 && at > question && (hash < 0 || at < hash); };
  std::string out;
  for (int i = 0; i < encoded.size();) {
    if (EscapedByte(encoded, i) >= 0x80)
      out += DecodeEscapes(encoded, &i, inQuery(i));
    else
      out += encoded[i++];
  }
  return out;
}

std::string AddressAsNavigated(const std::string& address) {
  return HasScheme(address) ? address : GbkFromUrl(UrlFromGbk(address));
}

std::string WithoutPassword(const std::string& address) {
  const QUrl url = UrlFromGbk(address);
  return url.password().isEmpty() ? address : GbkFromUrl(url.adjusted(QUrl::RemovePassword));
}

}  // namespace gbk_boundary
