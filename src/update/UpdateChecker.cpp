#include "update/UpdateChecker.h"

#include <ace/Log_Msg.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "app/AppState.h"
#include "app/Config.h"
#include "app/GbkText.h"
#include "app/PendingCommand.h"
#include "app/WindowSystem.h"
#include "platform/FileUtil.h"
#include "update/UpdateDownloader.h"
#include "update/UpdateTarget.h"

namespace {

// Progress at debug priority: shown only when the program runs verbose.
bool Stop(const char* reason) {
  ACE_DEBUG((LM_DEBUG, "(%t) update check ends: %s\n", reason));
  return false;
}

}  // namespace

UpdateChecker::Options UpdateChecker::Options::ForThisProgram() {
  const AppState& state = TheAppState::Instance();
  Options options;
  options.pause = config::MillisecondsFromEnvironment("VARNOK_UPDATE_PAUSE_MS", options.pause);
  options.descriptionUrl = state.UpdateXmlUrl();
  options.programUrl = state.UpdateExeUrl();
  options.moduleDirectory = state.ModuleDirectory();
  options.localVersion = config::FileVersionString();
  return options;
}

UpdateChecker::UpdateChecker(Options options) : options_(std::move(options)) {}

bool UpdateChecker::Run() {
  std::this_thread::sleep_for(options_.pause);
  std::optional<UpdateDescription> description = FetchDescription();
  if (!description) return Stop("no usable update description");
  // Any difference counts, an older or differently written version too.
  if (description->version == options_.localVersion) return Stop("this version is the newest");
  if (!DownloadProgram()) return Stop("the new program could not be downloaded");
  if (!VerifyDownload(description->md5)) return Stop("the downloaded program does not match its digest");
  AskToInstall();
  return true;
}

std::optional<UpdateDescription> UpdateChecker::FetchDescription() const {
  std::string document;
  UpdateDownloader downloader(options_.timeout);
  if (!downloader.FetchBounded(options_.descriptionUrl, UpdateDescription::kMaxBytes, &document)) return std::nullopt;
  if (document.empty()) return std::nullopt;
  return UpdateDescription::Parse(document);
}

bool UpdateChecker::DownloadProgram() {
  FILE* file = nullptr;
  std::string target;
  unsigned long long written = 0;
  // The target is only chosen (and an old download truncated) once the site answers.
  auto openTarget = [&] {
    std::optional<std::string> chosen = UpdateTarget(options_.moduleDirectory, options_.random).Choose();
    if (!chosen) return false;
    target = *chosen;
    file = std::fopen(target.c_str(), "wb");
    if (!file) ACE_ERROR((LM_ERROR, "%p\n", target.c_str()));
    return file != nullptr;
  };
  auto writePiece = [&](const char* data, size_t size) {
    if (std::fwrite(data, 1, size, file) != size) return false;
    written += size;
    return true;
  };
  bool ok = UpdateDownloader(options_.timeout).Fetch(options_.programUrl, openTarget, writePiece);
  if (file) {
    ok = (std::fclose(file) == 0) && ok;
    ::chmod(target.c_str(), 0755);
    downloadedPath_ = target;
  }
  return ok && written > 0;
}

bool UpdateChecker::VerifyDownload(const std::string& expectedMd5) const {
  std::string bytes;
  if (!platform::ReadWholeFile(downloadedPath_, &bytes)) return false;
  std::string actual;
  // A digest that cannot be computed fails: an unverified program is never offered.
  if (options_.digest(bytes, &actual) != 0) return false;
  return actual == expectedMd5;
}

void UpdateChecker::AskToInstall() const {
  WindowSystem* windows = options_.windows ? options_.windows() : nullptr;
  if (!windows || !windows->AskOkCancel(gbk::kUpdateQuestion, MainTitle())) return;
  SetPendingCommand("\"" + downloadedPath_ + "\"-update");
  windows->Post(MainWindowNotice::kExitRequest);
}
