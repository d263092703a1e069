#pragma once
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/desktop/ScreenGeometry.h"

// Where the program's controls and page windows are on the screen, as the program
// itself reports them when started with VARNOK_WIDGET_MAP (one line per widget:
// "name x y width height flag..."). Names: "main" (the main window), "area" (the page
// area that holds the page windows), the address bar's controls ("back", "forward",
// "refresh", "address", "go", "home", "favorites", "addFavorite", "save", "navigation",
// "other", "busy", "tile", "closePage"), and per page window in creation order "page.N"
// (the whole page window, title bar included) and "page.N.view" (its page). Flags:
// "visible", "maximized", "minimized", "active" (main window), "current", "loading",
// "url=<the page's encoded address>" and the page's title as a text flag (page windows).
// Also "status" (the status bar, its line as a text flag), "downloads" (the downloads
// window) and per download "download.N" (flags: running, finished, cancelled or failed;
// received=, total=, and the file's path as a text flag) with ".progress" (value=,
// maximum=), ".cancel", ".open" and ".folder". Page windows also carry "zoom=" (percent)
// and "renderer=" (the pid drawing the page); controls "disabled", "focus" and the text of
// an edit field or box; what lies over a page is "page.N.find", ".zoom", ".certificate" or
// ".crashed" with its named buttons, and the status bar's named controls are
// "status.<name>". "prompt" is a permission prompt in sight (feature=<the engine's number>,
// the host it shows as a text flag) with ".allow" (flag "disabled" while it cannot be
// pressed); "fullScreenNotice" (its text as a text flag) names a page that went full screen;
// an open context menu is "menu" (its items, one per line, as the text flag) and a tooltip
// on the screen "tooltip".
class WidgetMap {
 public:
  struct Entry {
    std::string name;
    ScreenRect rect;
    std::set<std::string> flags;
    bool Has(const std::string& flag) const { return flags.count(flag) > 0; }
    // The value of a "key=value" flag; empty when there is none.
    std::string Value(const std::string& key) const;
    // The text of a "text=<%-encoded text>" flag (a status line, a file's path).
    std::string Text() const;
  };

  static WidgetMap Parse(const std::string& text);

  bool empty() const { return entries_.empty(); }
  std::optional<Entry> Find(const std::string& name) const;
  int PageCount() const;
  std::optional<Entry> Page(int index) const { return Find("page." + std::to_string(index)); }
  std::optional<Entry> PageView(int index) const { return Find("page." + std::to_string(index) + ".view"); }
  // Index of the current page window, -1 when there is none.
  int CurrentPage() const;
  // True when page window `index` shows `url` and has finished loading it.
  bool PageShows(int index, const std::string& url) const;
  // Title bar of page window `index`: the strip above its page.
  std::optional<ScreenRect> PageTitleBar(int index) const;
  const std::vector<Entry>& entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
};
