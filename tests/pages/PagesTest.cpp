#include <gtest/gtest.h>

#include "app/GbkText.h"
#include "pages/FavoritesPage.h"
#include "pages/MenuPage.h"
#include "pages/SystemMessagePage.h"

namespace {

const std::string kBase = "http://localhost:10101/";
const std::string kKey = "0123456789abcdef0123456789abcdef";
const std::string kMeta =
    "<META http-equiv=Content-Type content=\"text/html; charset=gb2312\">"
    "<META content=\"MSHTML 6.00.6002.18332\" name=GENERATOR></HEAD><BODY>";
// 收藏夹 / 其他功能 / 删除 as GBK bytes.
const std::string kFav = "\xca\xd5\xb2\xd8\xbc\xd0";
const std::string kOther = "\xc6\xe4\xcb\xfb\xb9\xa6\xc4\xdc";
const std::string kDel = "\xc9\xbe\xb3\xfd";

TEST(PagesTest, ChineseTextsAreGbkBytes) {
  EXPECT_EQ(std::string(gbk::kFavorites), kFav);
  EXPECT_EQ(std::string(gbk::kSystemSender), "\xcf\xb5\xcd\xb3\xa3\xba");
}

TEST(PagesTest, FavoritesPageBytes) {
  const std::string header = "<HTML><HEAD><TITLE>" + kFav + "</TITLE>" + kMeta + "<p><h3>" + kFav + "</h3></p>";
  EXPECT_EQ(FavoritesPage::Render({}, kBase, kKey, 7), header + "</BODY></HTML>");
  EXPECT_EQ(FavoritesPage::Render({"b", "a"}, kBase, kKey, 7),
            header + "<a href=\"b\">b</a>&nbsp;&nbsp;<a href=\"" + kBase + "delscjitem_browser.ido?id=0&key=" + kKey +
                "&list=7\">" + kDel + "</a><br><a href=\"a\">a</a>&nbsp;&nbsp;<a href=\"" + kBase +
                "delscjitem_browser.ido?id=1&key=" + kKey + "&list=7\">" + kDel + "</a><br></BODY></HTML>");
}

TEST(PagesTest, FavoriteLinkTextIsCutAfter64Bytes) {
  const std::string exact(64, 'a');
  const std::string longer = std::string(61, 'b') + "cdef";
  EXPECT_EQ(FavoritesPage::LinkText(exact), exact);
  EXPECT_EQ(FavoritesPage::LinkText(longer), std::string(61, 'b') + "...");
  const std::string page = FavoritesPage::Render({longer}, kBase, kKey, 7);
  EXPECT_NE(page.find("<a href=\"" + longer + "\">" + std::string(61, 'b') + "...</a>"), std::string::npos);
}

TEST(PagesTest, OnlyQuotesAndAngleBracketsAreEscaped) {
  const std::string page = FavoritesPage::Render({"http://x/?a=1&b=\"><script>"}, kBase, kKey, 7);
  EXPECT_NE(page.find("href=\"http://x/?a=1&b=&quot;&gt;&lt;script&gt;\""), std::string::npos);
  EXPECT_EQ(page.find("<script>"), std::string::npos);
  const std::string menu = MenuPage::Render("\"><b>", {"h&i"}, kBase, kKey, 7);
  EXPECT_NE(menu.find("value=\"&quot;&gt;&lt;b&gt;\""), std::string::npos);
  EXPECT_NE(menu.find("<a href=\"h&i\">h&i</a>"), std::string::npos);
}

TEST(PagesTest, MenuPageBytes) {
  const std::string head = "<HTML><HEAD><TITLE>" + kOther + "</TITLE>" + kMeta + "<p><h3>" + kOther + "</h3></p>" +
                           gbk::kHomeCaption + "<form action=\"" + kBase +
                           "sethome_browser.ido?\" method=\"get\" name=\"form\">";
  // The key rides in a hidden field after the address, which stays the form's first field.
  const std::string submit = std::string("<input type=\"submit\" name=\"Submit\" value=\"") + gbk::kSet +
                             "\"><input type=\"hidden\" name=\"key\" value=\"" + kKey + "\"></form><br>" +
                             gbk::kHistoryCaption + "<A href=\"" + kBase + "clearhis_browser.ido/?key=" + kKey + "\">" +
                             gbk::kClearHistory + "</A><br>";
  EXPECT_EQ(MenuPage::Render("", {}, kBase, kKey, 7),
            head + "<input type=\"text\" name=\"homeurl\" id=\"tag\" value=\"\" size=\"36\" />" + submit +
                "<br></BODY></HTML>");
  const std::string longAddress(300, 'q');
  EXPECT_EQ(MenuPage::Render("h", {"b", longAddress}, kBase, kKey, 7),
            head + "<input type=\"text\" name=\"homeurl\" id=\"tag\" value=\"h\" size=\"36\" />" + submit +
                "<a href=\"b\">b</a>&nbsp;&nbsp;<a href=\"" + kBase + "delhis_browser.ido?id=0&key=" + kKey + "&list=7\">" +
                kDel + "</a><br><a href=\"" + longAddress + "\">" + longAddress + "</a>&nbsp;&nbsp;<a href=\"" + kBase +
                "delhis_browser.ido?id=1&key=" + kKey + "&list=7\">" + kDel + "</a><br><br></BODY></HTML>");
}

TEST(PagesTest, SystemMessagePageBytes) {
  EXPECT_EQ(SystemMessagePage::Render({{gbk::kSystemSender, gbk::kStartupMessage}, {"", "<b>x</b>"}}),
            "<HTML><HEAD>" + kMeta + gbk::kSystemSender + gbk::kStartupMessage + "<br><b>x</b><br></BODY></HTML>");
}

}  // namespace
