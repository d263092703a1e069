#include "webserver/HTTP_Helpers.h"

#include <ace/Log_Msg.h>

#include <array>
#include <cstdlib>
#include <mutex>

namespace {

constexpr const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

struct Base64Table {
  std::array<bool, 256> member{};
  std::array<unsigned char, 256> value{};
  Base64Table() {
    for (int i = 0; kBase64Alphabet[i]; ++i) {
      auto c = static_cast<unsigned char>(kBase64Alphabet[i]);
      member[c] = true;
      value[c] = static_cast<unsigned char>(i);
    }
  }
};

const Base64Table& Base64() {
  static const Base64Table table;
  return table;
}

constexpr int kStatusCount = 600;

struct StatusTexts {
  std::array<const char*, kStatusCount> text{};
  StatusTexts() {
    text.fill("Unknown");
    text[200] = "OK";
    text[201] = "Created";
    text[202] = "Accepted";
    text[204] = "No Content";
    text[301] = "Moved Permanently";
    text[302] = "Moved Temporarily";
    text[303] = "See Other";
    text[304] = "Not Modified";
    text[400] = "Bad Request";
    text[401] = "Unauthorized";
    text[403] = "Forbidden";
    text[404] = "Not Found";
    text[413] = "Request Entity Too Large";
    text[500] = "Internal Server Error";
    text[501] = "Not Implemented";
    text[502] = "Bad Gateway";
    text[503] = "Service Unavailable";
  }
};

}  // namespace

char* HTTP_Helpers::url_unescape(char* text) {
  size_t i = 0;
  size_t j = 0;
  while (text[j] != '\0') {
    if (text[j] == '%' && text[j + 1] != '\0' && text[j + 2] != '\0') {
      // strtol rules on exactly the two characters after "%": leading blanks and a
      // sign are accepted, the number stops at the first non-hex digit.
      char pair[3] = {text[j + 1], text[j + 2], '\0'};
      text[i] = static_cast<char>(std::strtol(pair, nullptr, 16) & 0xFF);
      j += 3;
    } else {
      text[i] = text[j];
      j += 1;
    }
    i += 1;
  }
  text[i] = '\0';
  return text;
}

char* HTTP_Helpers::base64_decode(char* text) {
  const Base64Table& table = Base64();
  unsigned long bits = 0;
  int n = 0;
  size_t out = 0;
  size_t in = 0;
  bool padded = false;
  for (; text[in] != '\0'; ++in) {
    auto c = static_cast<unsigned char>(text[in]);
    if (c == '=') {
      padded = true;
      break;
    }
    if (!table.member[c]) continue;
    bits += table.value[c];
    if (++n == 4) {
      text[out++] = static_cast<char>(bits >> 16);
      text[out++] = static_cast<char>(bits >> 8);
      text[out++] = static_cast<char>(bits);
      bits = 0;
      n = 0;
    } else {
      bits <<= 6;
    }
  }
  bool failed = false;
  if (!padded && n != 0) {
    ACE_DEBUG((LM_DEBUG, "base64 encoding incomplete: at least %d bits truncated\n", (4 - n) * 6));
    failed = true;
  } else if (padded) {
    if (n == 1) {
      ACE_DEBUG((LM_DEBUG, "base64 encoding incomplete: at least 2 bits missing\n"));
      failed = true;
    } else if (n == 2) {
      text[out++] = static_cast<char>(bits >> 10);
    } else if (n == 3) {
      text[out++] = static_cast<char>(bits >> 16);
      text[out++] = static_cast<char>(bits >> 8);
    }
  }
  text[out] = '\0';
  return failed ? nullptr : text;
}

const char* HTTP_Helpers::status_text(int code) {
  // A function-local static is the filled-once table; C++ guarantees its
  // initialisation runs once even when several threads ask at the same time.
  static const StatusTexts texts;
  if (code < 0 || code >= kStatusCount) return "Unknown";
  return texts.text[code];
}
