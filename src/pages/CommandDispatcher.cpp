#include "pages/CommandDispatcher.h"

#include <cctype>
#include <cstdint>

#include "app/AppState.h"

namespace {

bool Contains(const std::string& text, const char* name) { return text.find(name) != std::string::npos; }

// The id after the first "?id=", when there is one past the start of the URI.
bool FindId(const std::string& uri, int* id) {
  size_t at = uri.find("?id=");
  if (at == std::string::npos || at == 0) return false;
  *id = ParseDecimalId(uri.c_str() + at + 4);
  return true;
}

}  // namespace

int ParseDecimalId(const char* text) {
  while (std::isspace(static_cast<unsigned char>(*text))) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = (*text++ == '-');
  uint32_t value = 0;
  while (std::isdigit(static_cast<unsigned char>(*text))) value = value * 10u + static_cast<uint32_t>(*text++ - '0');
  if (negative) value = 0u - value;
  return static_cast<int>(value);
}

void CommandDispatcher::Dispatch(const std::string& uri) { Dispatch(TheAppState::Instance(), uri); }

void CommandDispatcher::Dispatch(AppState& state, const std::string& uri) {
  int id = 0;
  if (Contains(uri, "delscjitem_browser.ido")) {
    if (FindId(uri, &id)) state.DeleteFavorite(id);
  } else if (Contains(uri, "sethome_browser.ido")) {
    size_t at = uri.find("?homeurl=");
    if (at != std::string::npos && at > 0) {
      size_t start = at + 9;
      size_t end = uri.find('&', start);
      state.SetHomeUrl(uri.substr(start, end == std::string::npos ? std::string::npos : end - start));
    }
  } else if (Contains(uri, "clearhis_browser.ido")) {
    state.ClearHistory();
  } else if (Contains(uri, "delhis_browser.ido")) {
    if (FindId(uri, &id)) state.DeleteHistory(id);
  }
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
    reply.SendPage(state.FavoritesPagePath());
  } else if (Contains(text, "sethome_browser.ido") || Contains(text, "clearhis_browser.ido") ||
             Contains(text, "delhis_browser.ido")) {
    state.WriteMenuPage();
    reply.SendPage(state.MenuPagePath());
  } else {
    reply.SendNothing();
  }
  return true;
}
