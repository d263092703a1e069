#include "support/desktop/WidgetMap.h"

#include <sstream>

WidgetMap WidgetMap::Parse(const std::string& text) {
  WidgetMap map;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    Entry entry;
    if (!(fields >> entry.name >> entry.rect.x >> entry.rect.y >> entry.rect.width >> entry.rect.height)) continue;
    for (std::string flag; fields >> flag;) entry.flags.insert(flag);
    map.entries_.push_back(entry);
  }
  return map;
}

std::string WidgetMap::Entry::Value(const std::string& key) const {
  for (const std::string& flag : flags)
    if (flag.size() > key.size() && flag.compare(0, key.size() + 1, key + "=") == 0) return flag.substr(key.size() + 1);
  return std::string();
}

bool WidgetMap::PageShows(int index, const std::string& url) const {
  const auto page = Page(index);
  return page && !page->Has("loading") && page->Value("url") == url;
}

std::optional<WidgetMap::Entry> WidgetMap::Find(const std::string& name) const {
  for (const Entry& entry : entries_)
    if (entry.name == name) return entry;
  return std::nullopt;
}

int WidgetMap::PageCount() const {
  int count = 0;
  while (Page(count)) ++count;
  return count;
}

int WidgetMap::CurrentPage() const {
  for (int i = 0; i < PageCount(); ++i)
    if (Page(i)->Has("current")) return i;
  return -1;
}

std::optional<ScreenRect> WidgetMap::PageTitleBar(int index) const {
  const auto page = Page(index), view = PageView(index);
  if (!page || !view || view->rect.y <= page->rect.y) return std::nullopt;
  return ScreenRect{page->rect.x, page->rect.y, page->rect.width, view->rect.y - page->rect.y};
}

std::string WidgetMap::Entry::Text() const {
  const std::string raw = Value("text");
  std::string text;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '%' && i + 2 < raw.size()) {
      text.push_back(static_cast<char>(std::stoi(raw.substr(i + 1, 2), nullptr, 16)));
      i += 2;
    } else {
      text.push_back(raw[i]);
    }
  }
  return text;
}
