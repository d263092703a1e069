#pragma once

// Small text services of the embedded server: %-decoding, Base64 decoding of Basic
// credentials, and the reason phrases of status codes.
class HTTP_Helpers {
 public:
  // Decodes %XX escapes in place; the text never grows. "+" is left alone. A "%" with
  // fewer than two characters after it is kept as it is (nothing past the end is read).
  static char* url_unescape(char* text);

  // Decodes Base64 in place and zero-terminates the result. Characters outside the
  // alphabet are skipped, "=" ends the input. Null when the input is malformed (the
  // buffer then holds what was decoded so far).
  static char* base64_decode(char* text);

  // The reason phrase of `code` (0..599), "Unknown" for codes without one.
  static const char* status_text(int code);
};
