#pragma once
#include <string>

// Text typed into the address box that is not an address (words, blanks inside) is
// searched, never loaded as a blank page or recorded as an empty entry. The search
// address comes from VARNOK_SEARCH_URL, "%s" standing for the words (or the words are
// added at its end); by default a widely used Chinese search engine's query address.
namespace search_words {

extern const char kDefaultSearchUrl[];

// Whether trimmed GBK text `typed` is words rather than an address: it holds a blank, or
// it is one token with nothing of an address (no scheme, dot, colon or slash, not
// "localhost", not a path).
bool AreWords(const std::string& typed);
// The search address for GBK `words`: UTF-8, %-escaped, in `searchUrl`.
std::string SearchAddress(const std::string& words, const std::string& searchUrl);
// VARNOK_SEARCH_URL, or the default.
std::string ConfiguredSearchUrl();

}  // namespace search_words
