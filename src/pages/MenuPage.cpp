#include "pages/MenuPage.h"

#include "app/GbkText.h"
#include "pages/CommandSecret.h"
#include "pages/HtmlEscape.h"

std::string MenuPage::Render(const std::string& homeUrl, const std::vector<std::string>& history,
                             const std::string& localBaseUrl, const std::string& secret) {
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
  for (size_t id = 0; id < history.size(); ++id) {
    const std::string address = EscapeAddress(history[id]);
    page += "<a href=\"" + address + "\">" + address + "</a>&nbsp;&nbsp;<a href=\"" + localBaseUrl +
            "delhis_browser.ido?id=" + std::to_string(id) + "&" + key + "\">" + gbk::kDelete + "</a><br>";
  }
  page += "<br></BODY></HTML>";
  return page;
}
