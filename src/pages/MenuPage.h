#pragma once
#include <cstdint>
#include <string>
#include <vector>

// menu.htm, the other-functions page: the home page form and the history, each entry
// with its delete command link, plus the clear-history link. One line, GBK.
class MenuPage {
 public:
  // `secret` goes into every command link and into the form as the command's key,
  // `version` (the history's) into the delete links, as on the favorites page.
  static std::string Render(const std::string& homeUrl, const std::vector<std::string>& history,
                            const std::string& localBaseUrl, const std::string& secret, uint64_t version);
};
