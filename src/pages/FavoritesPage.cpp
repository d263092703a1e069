#include "pages/FavoritesPage.h"

#include "app/GbkText.h"
#include "pages/CommandDispatcher.h"
#include "pages/CommandSecret.h"
#include "pages/HtmlEscape.h"

std::string FavoritesPage::LinkText(const std::string& address) {
  if (address.size() <= kMaxLinkText) return address;
  return address.substr(0, kMaxLinkText - 3) + "...";
}

std::string FavoritesPage::Render(const std::vector<std::string>& favorites, const std::string& localBaseUrl,
                                  const std::string& secret, uint64_t version) {
  std::string page = std::string("<HTML><HEAD><TITLE>") + gbk::kFavorites +
                     "</TITLE><META http-equiv=Content-Type content=\"text/html; charset=gb2312\">"
                     "<META content=\"MSHTML 6.00.6002.18332\" name=GENERATOR></HEAD><BODY><p><h3>" +
                     gbk::kFavorites + "</h3></p>";
  const std::string deleteBase = localBaseUrl + "delscjitem_browser.ido?id=";
  const std::string key = CommandSecret::QueryPair(secret) + "&" + ListVersionPair(version);
  size_t size = page.size() + 32;
  for (const std::string& address : favorites)
    size += address.size() + kMaxLinkText + deleteBase.size() + key.size() + 64;
  page.reserve(size);
  for (size_t id = 0; id < favorites.size(); ++id) {
    const std::string& address = favorites[id];
    page += "<a href=\"";
    AppendEscapedAddress(page, address);
    page += "\">";
    AppendEscapedAddress(page, LinkText(address));
    page.append("</a>&nbsp;&nbsp;<a href=\"").append(deleteBase).append(std::to_string(id));
    page.append("&").append(key).append("\">").append(gbk::kDelete).append("</a><br>");
  }
  page += "</BODY></HTML>";
  return page;
}
