#pragma once
#include <deque>
#include <string>
#include <utility>

// sysmsg.htm: one line per message, the sender label and the text run together.
// Messages are the program's own texts and are written unescaped: they may carry markup.
class SystemMessagePage {
 public:
  static std::string Render(const std::deque<std::pair<std::string, std::string>>& messages);
};
