#include "pages/SystemMessagePage.h"

std::string SystemMessagePage::Render(const std::deque<std::pair<std::string, std::string>>& messages) {
  std::string page =
      "<HTML><HEAD><META http-equiv=Content-Type content=\"text/html; charset=gb2312\">"
      "<META content=\"MSHTML 6.00.6002.18332\" name=GENERATOR></HEAD><BODY>";
  for (const auto& message : messages) page += message.first + message.second + "<br>";
  page += "</BODY></HTML>";
  return page;
}
