#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/Singletons.h"
#include "app/StateDirectory.h"
#include "platform/ExclusiveFileLock.h"

class StateSaver;

// Everything the program remembers: the server port, the current and home addresses,
// favorites and history (newest first), the path labels, the system messages and two
// flags. The program that holds the instance (TakeInstance) loads varnok.ini from the
// state directory (beside the executable, or the account's data directory for a shared
// installation), writes it within a second of each change of the favorites, the history
// or the home page, and once more when the state goes; any other program (a later
// launch that hands over its addresses, a refused one) never touches the file.
//
// The lists, addresses and port are shared by the window thread and the server thread
// and are guarded by the state's own lock; a list change and the page it rewrites
// happen under one hold of it, so pages are never torn or out of order. Page files are
// replaced atomically, so a reader sees a whole page. The lock is never held while
// calling window code.
class AppState : public SmallObjectBase {
 public:
  using Message = std::pair<std::string, std::string>;  // sender label, text
  static constexpr size_t kMaxSystemMessages = 256;

  // The process's own state, in the state directory of its executable: defaults only,
  // and varnok.ini untouched until TakeInstance.
  AppState();
  // The state of the program at `modulePath` (tests, tools), whose directory holds
  // varnok.ini and the generated pages: takes the instance at once.
  explicit AppState(const std::string& modulePath);
  ~AppState() override;

  // Decides whether this program keeps the state: an exclusive lock in the directory of
  // varnok.ini, taken before the file is read, so that two programs of one directory
  // (two launches at once, or one after the executable was replaced) never both write
  // it. When taken (or when no lock can be had because the directory cannot be
  // written, so nothing could be kept anyway) the file is loaded, or laid down at the
  // first start, and from then on written after changes. False when another program
  // holds it; the file is then neither read nor written.
  bool TakeInstance();
  // True when varnok.ini exists but could not be read: it is then left as it is, and
  // nothing of this run is written into it.
  bool StateFileUnreadable() const { return unreadable_; }

  // Paths and URLs. Directories end in "/".
  std::string SiteUrl() const;
  std::string ModulePath() const { return modulePath_; }
  std::string ModuleDirectory() const;
  std::string ParentDirectory() const;
  // Where varnok.ini, the generated pages and the update directory live; ends in "/".
  const std::string& StateDirectory() const { return stateDirectory_.path(); }
  // False where the state lives in the account's data directory: a shared installation
  // is updated by the package manager, never by the program.
  bool SelfUpdates() const { return stateDirectory_.besideProgram(); }
  // The file of a generated page ("scj.htm", "menu.htm", "sysmsg.htm") in the state
  // directory; empty for any other name.
  std::string GeneratedPagePath(const std::string& name) const;
  // The directory part of a path, "\\" read as "/", with its trailing "/"; empty when
  // the path has no "/".
  static std::string DirectoryOf(std::string path);
  std::string LocalBaseUrl() const;
  std::string ExitUrl() const;
  std::string FavoritesPagePath() const;
  std::string MenuPagePath() const;
  std::string SystemMessagePagePath() const;
  std::string IniPath() const;
  std::string UpdateXmlUrl() const;
  std::string UpdateExeUrl() const;
  std::string PortalNavigationUrl() const;

  std::string Port() const;
  // The port the server really listens on, when a busy configured port moved it.
  void SetPort(const std::string& port);

  // The key of this run's command links (32 hex digits, fixed for the run). Commands
  // that do not carry it change nothing, so only our own pages can command us.
  const std::string& CommandSecret() const { return commandSecret_; }

  std::string CurrentUrl() const;
  void SetCurrentUrl(const std::string& url);
  std::string HomeUrl() const;
  void SetHomeUrl(const std::string& url);

  std::vector<std::string> Favorites() const;
  std::vector<std::string> History() const;
  std::vector<std::string> PathLabels() const;
  std::deque<Message> SystemMessages() const;

  // Favorites and history. Adds never create duplicates; out-of-range ids change nothing.
  // A delete link names its entry by position, so it carries the version of the list
  // its page showed (`seen`): once the list has changed since, the delete changes
  // nothing, rather than remove the entry that moved into that place.
  void AddFavorite(const std::string& url);
  void DeleteFavorite(int index, std::optional<uint64_t> seen = std::nullopt);
  void AddHistory(const std::string& url);
  void DeleteHistory(int index, std::optional<uint64_t> seen = std::nullopt);
  void ClearHistory();

  // Page writers: scj.htm, menu.htm (false when the page could not be written);
  // AddSystemMessage writes sysmsg.htm and tells the main window.
  bool WriteFavoritesPage();
  bool WriteMenuPage();
  // Both pages with command links, once the server listens: their links then carry the
  // port and the key of this run, whatever an earlier run left on the disk.
  void WriteCommandPages();
  // Removes the temporary files of page and varnok.ini writes that a killed run left.
  void RemoveLeftoverTemporaryFiles() const;
  void AddSystemMessage(const std::string& sender, const std::string& text);

  bool QuitFlag() const { return quit_.load(); }
  void SetQuitFlag(bool on) { quit_.store(on); }
  bool MaximizedPages() const { return maximizedPages_.load(); }
  void SetMaximizedPages(bool on) { maximizedPages_.store(on); }

  // Writes varnok.ini from the current state (the destructor does this); false when
  // the file could not be written, and when this program may not write it (it does
  // not hold the instance, or the file could not be read).
  bool Save() const;

 private:
  AppState(const std::string& modulePath, bool takeInstance);
  void Load();
  void StartSaving();
  void Changed();
  void AddFavoriteLocked(const std::string& url);
  bool WriteFavoritesPageLocked() const;
  std::string LocalBaseUrlLocked() const;

  const std::string commandSecret_;
  mutable std::mutex lock_;
  mutable std::mutex saving_;  // one write of varnok.ini at a time, so none overtakes a later one
  platform::ExclusiveFileLock instanceLock_;
  bool writer_ = false;
  bool unreadable_ = false;
  std::unique_ptr<StateSaver> saver_;
  uint64_t favoritesVersion_ = 0;
  uint64_t historyVersion_ = 0;
  std::atomic<bool> quit_{false};
  std::string modulePath_;
  const ::StateDirectory stateDirectory_;
  std::string port_;
  std::vector<std::string> pathLabels_;
  std::string currentUrl_;
  std::string homeUrl_;
  std::vector<std::string> history_;
  std::vector<std::string> favorites_;
  std::atomic<bool> maximizedPages_{false};
  std::deque<Message> messages_;
};

using TheAppState = SingletonOf<AppState>;
