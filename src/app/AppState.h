#pragma once
#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/Singletons.h"
#include "app/StateDirectory.h"

// Everything the program remembers: the server port, the current and home addresses,
// favorites and history (newest first), the path labels, the system messages and two
// flags. Loads varnok.ini from the state directory (beside the executable, or the
// account's data directory for a shared installation) when created and rewrites it
// when destroyed.
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

  // `modulePath` is the executable's path; the program directory and, through it, the
  // state directory with varnok.ini and the generated pages derive from it.
  AppState();
  explicit AppState(const std::string& modulePath);
  ~AppState() override;

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
  void AddFavorite(const std::string& url);
  void DeleteFavorite(int index);
  void AddHistory(const std::string& url);
  void DeleteHistory(int index);
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
  // the file could not be written.
  bool Save() const;

 private:
  void Load();
  void AddFavoriteLocked(const std::string& url);
  bool WriteFavoritesPageLocked() const;
  std::string LocalBaseUrlLocked() const;

  const std::string commandSecret_;
  mutable std::mutex lock_;
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
