#pragma once
#include <string>
#include <vector>

// menu.htm, the other-functions page: the home page form and the history, each entry
// with its delete command link, plus the clear-history link. One line, GBK.
class MenuPage {
 public:
  static std::string Render(const std::string& homeUrl, const std::vector<std::string>& history,
                            const std::string& localBaseUrl);
};
