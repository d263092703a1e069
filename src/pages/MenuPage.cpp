#include "pages/MenuPage.h"

#include "app/GbkText.h"
#include "pages/CommandDispatcher.h"
#include "pages/CommandSecret.h"
#include "pages/HtmlEscape.h"

std::string MenuPage::Render(const std::string& homeUrl, const std::vector<std::string>& history,
                             const std::string& localBaseUrl, const std::string& secret, uint64_t version) {
  const std::string key = CommandSecret::QueryPair(secret);
  std::string page = std::string("<HTML><HEAD><TITLE>") + gbk::kOtherFunctions +
                     "</TITLE><META http-equiv=Content-Type content=\"text/html; charset=gb2312\">"
                     "<META content=\"MSHTML 6.00.6002.18332\" name=GENERATOR></HEAD><BODY><p><h3>" +
                     gbk::kOtherFunctions + "</h3></p>";
  page += gbk::kHomeCaption;
  page += "<form action=\"" + localBaseUrl + "sethome_browser.ido?\" method=\"get\" name=\"form\">";
  page += "<input type=\"text\" name=\"homeurl\" id=\"tag\" value=\"" + EscapeAddress(homeUrl) + "\" size=\"36\" />";
  // The key follows the address field, which must stay the form's first field.
  page += std::string("<input type=\"submit\" name=\"Submit\" value=\"") + gbk::kSet + "\">";
  page +=
      std::string("<input type=\"hidden\" name=\"") + CommandSecret::kName + "\" value=\"" + secret + "\"></form><br>";
  page += std::string(gbk::kHistoryCaption) + "<A href=\"" + localBaseUrl + "clearhis_browser.ido/?" + key + "\">" +
          gbk::kClearHistory + "</A><br>";
  // The history is most of the page: sized once, each entry appended piece by piece.
  const std::string deleteBase = localBaseUrl + "delhis_browser.ido?id=";
  const std::string deleteKey = key + "&" + ListVersionPair(version);
  size_t size = page.size() + 32;
  for (const std::string& address : history) size += 2 * address.size() + deleteBase.size() + deleteKey.size() + 64;
  page.reserve(size);
  for (size_t id = 0; id < history.size(); ++id) {
    page += "<a href=\"";
    AppendEscapedAddress(page, history[id]);
    page += "\">";
    AppendEscapedAddress(page, history[id]);
    page.append("</a>&nbsp;&nbsp;<a href=\"").append(deleteBase).append(std::to_string(id));
    page.append("&").append(deleteKey).append("\">").append(gbk::kDelete).append("</a><br>");
  }
  page += "<br></BODY></HTML>";
  return page;
}
