#include "app/AppState.h"

#include <cstdio>

#include "app/Config.h"
#include "app/GbkText.h"
#include "app/HomeAddress.h"
#include "app/IniFile.h"
#include "app/StateSaver.h"
#include "app/WindowSystem.h"
#include "pages/FavoritesPage.h"
#include "pages/MenuPage.h"
#include "pages/SystemMessagePage.h"
#include "platform/ExecutablePath.h"
#include "platform/FileUtil.h"
#include "platform/Random.h"

namespace {

// Removes list[index] when the index is in range; false otherwise.
bool EraseAt(std::vector<std::string>& list, int index) {
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return false;
  list.erase(list.begin() + index);
  return true;
}

bool Contains(const std::vector<std::string>& list, const std::string& value) {
  for (const std::string& entry : list)
    if (entry == value) return true;
  return false;
}

// The pages the program writes, and so serves from the state directory.
const char* const kGeneratedPages[] = {"scj.htm", "menu.htm", "sysmsg.htm"};

template <class Container>
void DropOldest(Container& list, size_t limit) {
  while (list.size() > limit) list.pop_front();
}

}  // namespace

AppState::AppState() : AppState(platform::ExecutablePath(), false) {}

AppState::AppState(const std::string& modulePath) : AppState(modulePath, true) {}

AppState::AppState(const std::string& modulePath, bool takeInstance)
    : commandSecret_(platform::RandomHex(16)),
      modulePath_(modulePath),
      stateDirectory_(::StateDirectory::For(DirectoryOf(modulePath))),
      port_(config::ConfiguredPort()),
      pathLabels_{gbk::kLabelRootView, gbk::kLabelBrowsing, gbk::kLabelOpenPage, gbk::kLabelSearchEngine} {
  const std::string portal = config::PortalUrl();
  currentUrl_ = homeUrl_ = portal;
  history_ = {portal};
  favorites_ = {portal};
  maximizedPages_ = false;
  if (takeInstance) TakeInstance();
}

AppState::~AppState() {
  saver_.reset();
  // The last word of the run: a loss is said, never passed over.
  if (writer_ && !Save())
    std::fprintf(stderr, "varnok: %s could not be written: this run's favorites, history and home page are lost\n",
                 IniPath().c_str());
}

bool AppState::TakeInstance() {
  if (writer_ || unreadable_) return true;
  const std::string path = IniPath();
  if (instanceLock_.Take(DirectoryOf(path) + "varnok.lock") == platform::ExclusiveFileLock::Outcome::kHeldElsewhere)
    return false;
  Load();
  writer_ = !unreadable_;
  if (writer_) StartSaving();
  return true;
}

void AppState::Load() {
  const std::string path = IniPath();
  if (!platform::FileExists(path)) {
    // First start: lay down the default file; the defaults above already equal it.
    platform::WriteFileAtomically(path, FormatVarnokIni(homeUrl_, history_, favorites_), true);
    return;
  }
  IniFile ini;
  // A file that is there but cannot be read holds what the person kept: it is never
  // replaced by the defaults.
  if (!IniFile::Load(path, &ini)) {
    unreadable_ = true;
    return;
  }
  std::vector<std::string> tooLong;
  std::string home = ini.Get("homeurl", "url1", &tooLong);
  // A home address that could run in the open page (left by an older version) is dropped.
  if (!home.empty() && HomeAddress::IsAcceptable(home)) currentUrl_ = homeUrl_ = home;
  std::vector<std::string> history = ini.UrlList("history", &tooLong);
  if (!history.empty()) history_ = std::move(history);
  std::vector<std::string> favorites = ini.UrlList("soucangjia", &tooLong);
  if (!favorites.empty()) favorites_ = std::move(favorites);
  for (const std::string& key : tooLong)
    std::fprintf(stderr, "varnok: %s: %s is longer than %zu bytes and was left out\n", path.c_str(), key.c_str(),
                 IniFile::kMaxValueLength);
}

void AppState::StartSaving() {
  constexpr std::chrono::milliseconds kSpacing{500};
  saver_ = std::make_unique<StateSaver>(
      [this, told = false]() mutable {
        if (Save() || told) return;
        told = true;
        std::fprintf(stderr, "varnok: %s could not be written; it is tried again at the next change\n",
                     IniPath().c_str());
      },
      kSpacing);
}

void AppState::Changed() {
  if (saver_) saver_->Changed();
}

bool AppState::Save() const {
  if (!writer_) return false;
  std::lock_guard<std::mutex> one(saving_);
  std::string bytes;
  {
    std::lock_guard<std::mutex> hold(lock_);
    bytes = FormatVarnokIni(homeUrl_, history_, favorites_);
  }
  return platform::WriteFileAtomically(IniPath(), bytes, true);
}

std::string AppState::SiteUrl() const { return config::SiteUrl(); }

std::string AppState::ModuleDirectory() const { return DirectoryOf(modulePath_); }

std::string AppState::ParentDirectory() const {
  std::string dir = ModuleDirectory();
  if (!dir.empty()) dir.pop_back();
  return DirectoryOf(dir);
}

std::string AppState::DirectoryOf(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string AppState::LocalBaseUrl() const {
  std::lock_guard<std::mutex> hold(lock_);
  return LocalBaseUrlLocked();
}

std::string AppState::LocalBaseUrlLocked() const { return "http://localhost:" + port_ + "/"; }
std::string AppState::ExitUrl() const { return LocalBaseUrl() + "exit.ido"; }
std::string AppState::FavoritesPagePath() const { return StateDirectory() + "scj.htm"; }
std::string AppState::MenuPagePath() const { return StateDirectory() + "menu.htm"; }
std::string AppState::SystemMessagePagePath() const { return StateDirectory() + "sysmsg.htm"; }
std::string AppState::IniPath() const { return StateDirectory() + "varnok.ini"; }

std::string AppState::GeneratedPagePath(const std::string& name) const {
  for (const char* page : kGeneratedPages)
    if (name == page) return StateDirectory() + name;
  return std::string();
}
std::string AppState::UpdateXmlUrl() const { return SiteUrl() + "software/" + "update.xml"; }
std::string AppState::UpdateExeUrl() const { return SiteUrl() + "software/" + "varnok"; }
std::string AppState::PortalNavigationUrl() const {
  return config::PortalUrl() + "MenuTypeAction.do?type=" + gbk::kPortalNavigation;
}

std::string AppState::Port() const {
  std::lock_guard<std::mutex> hold(lock_);
  return port_;
}

void AppState::SetPort(const std::string& port) {
  std::lock_guard<std::mutex> hold(lock_);
  port_ = port;
}

std::string AppState::CurrentUrl() const {
  std::lock_guard<std::mutex> hold(lock_);
  return currentUrl_;
}

void AppState::SetCurrentUrl(const std::string& url) {
  std::lock_guard<std::mutex> hold(lock_);
  currentUrl_ = url;
}

std::string AppState::HomeUrl() const {
  std::lock_guard<std::mutex> hold(lock_);
  return homeUrl_;
}

void AppState::SetHomeUrl(const std::string& url) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    homeUrl_ = url;
  }
  Changed();
}

std::vector<std::string> AppState::Favorites() const {
  std::lock_guard<std::mutex> hold(lock_);
  return favorites_;
}

std::vector<std::string> AppState::History() const {
  std::lock_guard<std::mutex> hold(lock_);
  return history_;
}

std::vector<std::string> AppState::PathLabels() const {
  std::lock_guard<std::mutex> hold(lock_);
  return pathLabels_;
}

std::deque<AppState::Message> AppState::SystemMessages() const {
  std::lock_guard<std::mutex> hold(lock_);
  return messages_;
}

void AppState::AddFavorite(const std::string& url) {
  std::lock_guard<std::mutex> hold(lock_);
  AddFavoriteLocked(url);
}

void AppState::AddFavoriteLocked(const std::string& url) {
  if (!Contains(favorites_, url) && !url.empty()) {
    favorites_.insert(favorites_.begin(), url);
    ++favoritesVersion_;
    Changed();
  }
  WriteFavoritesPageLocked();
}

void AppState::DeleteFavorite(int index, std::optional<uint64_t> seen) {
  std::lock_guard<std::mutex> hold(lock_);
  if (seen && *seen != favoritesVersion_) return;
  if (!EraseAt(favorites_, index)) return;
  ++favoritesVersion_;
  Changed();
  AddFavoriteLocked(std::string());
}

void AppState::AddHistory(const std::string& url) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (Contains(history_, url)) return;
    history_.insert(history_.begin(), url);
    ++historyVersion_;
  }
  Changed();
}

void AppState::DeleteHistory(int index, std::optional<uint64_t> seen) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if ((seen && *seen != historyVersion_) || !EraseAt(history_, index)) return;
    ++historyVersion_;
  }
  Changed();
}

void AppState::ClearHistory() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    std::vector<std::string>().swap(history_);
    ++historyVersion_;
  }
  Changed();
}

bool AppState::WriteFavoritesPage() {
  std::lock_guard<std::mutex> hold(lock_);
  return WriteFavoritesPageLocked();
}

bool AppState::WriteFavoritesPageLocked() const {
  return platform::WriteFileAtomically(
      FavoritesPagePath(), FavoritesPage::Render(favorites_, LocalBaseUrlLocked(), commandSecret_, favoritesVersion_));
}

bool AppState::WriteMenuPage() {
  std::lock_guard<std::mutex> hold(lock_);
  return platform::WriteFileAtomically(
      MenuPagePath(), MenuPage::Render(homeUrl_, history_, LocalBaseUrlLocked(), commandSecret_, historyVersion_));
}

void AppState::WriteCommandPages() {
  WriteFavoritesPage();
  WriteMenuPage();
}

void AppState::RemoveLeftoverTemporaryFiles() const {
  std::vector<std::string> names(std::begin(kGeneratedPages), std::end(kGeneratedPages));
  names.push_back("varnok.ini");
  platform::RemoveLeftoverTemporaryFiles(StateDirectory(), names);
}

void AppState::AddSystemMessage(const std::string& sender, const std::string& text) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    messages_.emplace_back(sender, text);
    DropOldest(messages_, kMaxSystemMessages);
    platform::WriteFileAtomically(SystemMessagePagePath(), SystemMessagePage::Render(messages_));
  }
  // Posted outside the lock: the window's handler may read the state.
  WindowSystem::PostToMainWindow(MainWindowNotice::kSystemMessagesChanged);
}
