#pragma once
#include <optional>
#include <string>

// Decodes standard Base64 ("A-Z a-z 0-9 + /", padded with "=" to a multiple of four
// characters). Unlike a lenient decoder it refuses anything else, blanks and line ends
// included: a key or signature that was pasted wrongly should fail loudly, not decode
// to different bytes.
std::optional<std::string> DecodeBase64(const std::string& text);
