#include "pages/CommandDispatcher.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <limits>

#include "app/AppState.h"
#include "app/HomeAddress.h"

namespace {

const char* const kCommandNames[] = {"delscjitem_browser.ido", "sethome_browser.ido", "clearhis_browser.ido",
                                     "delhis_browser.ido"};

const char kListVersion[] = "list";

bool Contains(const std::string& text, const char* name) { return text.find(name) != std::string::npos; }

// The version of the list the command's page showed: the digits of its "list=" query
// pair; nothing without one (a hand-made link, which names the list as it is now).
std::optional<uint64_t> SeenVersion(const std::string& uri) {
  const std::string name = std::string(kListVersion) + "=";
  for (size_t at = uri.find(name); at != std::string::npos; at = uri.find(name, at + 1)) {
    if (at == 0 || (uri[at - 1] != '?' && uri[at - 1] != '&')) continue;
    uint64_t version = 0;
    const char* digits = uri.c_str() + at + name.size();
    const auto read = std::from_chars(digits, uri.c_str() + uri.size(), version);
    // Unreadable, it matches no version, so the command changes nothing.
    return read.ec == std::errc() && read.ptr != digits ? version : UINT64_MAX;
  }
  return std::nullopt;
}

// The id after the first "?id=", when there is one past the start of the URI and it
// fits a 32-bit integer.
bool FindId(const std::string& uri, int* id) {
  size_t at = uri.find("?id=");
  if (at == std::string::npos || at == 0) return false;
  std::optional<int> value = ParseDecimalId(uri.c_str() + at + 4);
  if (!value) return false;
  *id = *value;
  return true;
}

}  // namespace

std::string ListVersionPair(uint64_t version) { return std::string(kListVersion) + "=" + std::to_string(version); }

std::optional<int> ParseDecimalId(const char* text) {
  while (std::isspace(static_cast<unsigned char>(*text))) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = (*text++ == '-');
  const uint64_t limit = negative ? uint64_t{1} << 31 : uint64_t{std::numeric_limits<int>::max()};
  uint64_t value = 0;
  for (; std::isdigit(static_cast<unsigned char>(*text)); ++text) {
    value = value * 10u + static_cast<uint64_t>(*text - '0');
    if (value > limit) return std::nullopt;
  }
  return negative ? static_cast<int>(-static_cast<int64_t>(value)) : static_cast<int>(value);
}

void CommandDispatcher::Dispatch(const std::string& uri) { Dispatch(TheAppState::Instance(), uri); }

void CommandDispatcher::Dispatch(AppState& state, const std::string& uri) {
  int id = 0;
  if (Contains(uri, "delscjitem_browser.ido")) {
    if (FindId(uri, &id)) state.DeleteFavorite(id, SeenVersion(uri));
  } else if (Contains(uri, "sethome_browser.ido")) {
    size_t at = uri.find("?homeurl=");
    if (at != std::string::npos && at > 0) {
      size_t start = at + 9;
      size_t end = uri.find('&', start);
      const std::string address = uri.substr(start, end == std::string::npos ? std::string::npos : end - start);
      if (HomeAddress::IsAcceptable(address)) state.SetHomeUrl(address);
    }
  } else if (Contains(uri, "clearhis_browser.ido")) {
    state.ClearHistory();
  } else if (Contains(uri, "delhis_browser.ido")) {
    if (FindId(uri, &id)) state.DeleteHistory(id, SeenVersion(uri));
  }
}

bool IsStateChangingCommand(const char* uri) {
  if (!uri) return false;
  const std::string text = uri;
  if (Contains(text, "/exit.ido") || Contains(text, "isserver_varnok.ido")) return false;
  for (const char* name : kCommandNames)
    if (Contains(text, name)) return true;
  return false;
}

bool HandleCommandUrl(const char* uri, CommandReply& reply) {
  return HandleCommandUrl(TheAppState::Instance(), uri, reply);
}

bool HandleCommandUrl(AppState& state, const char* uri, CommandReply& reply) {
  if (!uri) return false;
  const std::string text = uri;
  if (Contains(text, "/exit.ido")) {
    reply.SendErrorPage(501, "Requested method is not implemented.");
    return true;
  }
  if (Contains(text, "isserver_varnok.ido")) {
    reply.SendErrorPage(501, "<html></html>");
    return true;
  }
  if (!Contains(text, ".ido")) return false;

  TheCommandDispatcher::Instance().Dispatch(state, text);
  if (Contains(text, "delscjitem_browser.ido")) {
    reply.SendRewrittenPage(state.FavoritesPagePath(), state.LocalBaseUrl() + "scj.htm");
  } else if (Contains(text, "sethome_browser.ido") || Contains(text, "clearhis_browser.ido") ||
             Contains(text, "delhis_browser.ido")) {
    state.WriteMenuPage();
    reply.SendRewrittenPage(state.MenuPagePath(), state.LocalBaseUrl() + "menu.htm");
  } else {
    reply.SendNothing();
  }
  return true;
}
