#pragma once
#include <string>

// Removes leading and trailing white space from a GBK address. White space is what the
// code page's character classification calls a space: blank, tab, line feed, vertical
// tab, form feed and carriage return. A double-byte character is never a space and is
// stepped over whole, so its trail byte is never mistaken for a single-byte character.
std::string TrimGbkBlanks(const std::string& text);
