#pragma once
#include <string>

// Escapes the three characters that would let an address break out of an attribute
// or inject markup: " < >. Everything else, "&" included, is kept byte for byte so
// that ordinary addresses (with their query strings) appear exactly as held.
std::string EscapeAddress(const std::string& address);
// Appends the escaped address to `out`, for writers that build a page in one string.
void AppendEscapedAddress(std::string& out, const std::string& address);
