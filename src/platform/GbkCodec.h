#pragma once
#include <optional>
#include <string>

namespace platform {

// Conversions between the program's GBK (code page 936) byte strings and UTF-8.
// Bytes that cannot be converted are replaced rather than dropping the rest.
std::string GbkToUtf8(const std::string& gbk);
std::string Utf8ToGbk(const std::string& utf8);
// The GBK bytes of `utf8` when GBK holds every character of it; nothing otherwise.
std::optional<std::string> Utf8ToGbkExactly(const std::string& utf8);
// The UTF-8 of `gbk` when it is nothing but whole GBK characters; nothing otherwise.
std::optional<std::string> GbkToUtf8Exactly(const std::string& gbk);

}  // namespace platform
