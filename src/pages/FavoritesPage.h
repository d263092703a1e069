#pragma once
#include <cstdint>
#include <string>
#include <vector>

// scj.htm: every favorite as a link followed by its delete command link, one line, GBK.
class FavoritesPage {
 public:
  static constexpr size_t kMaxLinkText = 64;

  // `secret` goes into every delete link as the command's key, `version` (the list's)
  // so that a delete from this page changes nothing once the list has changed.
  static std::string Render(const std::vector<std::string>& favorites, const std::string& localBaseUrl,
                            const std::string& secret, uint64_t version);
  // The address as link text: whole up to 64 bytes, else its first 61 bytes and "...".
  static std::string LinkText(const std::string& address);
};
