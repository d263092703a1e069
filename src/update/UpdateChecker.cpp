#include "update/UpdateChecker.h"

#include <ace/Log_Msg.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "app/AppState.h"
#include "app/Config.h"
#include "app/GbkText.h"
#include "app/PendingCommand.h"
#include "app/WindowSystem.h"
#include "update/UpdateDownloader.h"
#include "update/UpdateTarget.h"
#include "update/VersionNumber.h"

namespace {

// Progress at debug priority: shown only when the program runs verbose.
bool Stop(const char* reason) {
  ACE_DEBUG((LM_DEBUG, "(%t) update check ends: %s\n", reason));
  return false;
}

// A reason that holds for the whole run is said once, not at every check.
bool StopSayingOnce(std::atomic<bool>& said, const std::string& reason) {
  if (!said.exchange(true)) ACE_DEBUG((LM_DEBUG, "(%t) update check: %s\n", reason.c_str()));
  return false;
}

std::atomic<bool> saidWithoutKey{false};
std::atomic<bool> saidSelfUpdateOff{false};

}  // namespace

UpdateChecker::Options UpdateChecker::Options::ForThisProgram() {
  const AppState& state = TheAppState::Instance();
  Options options;
  options.pause = config::MillisecondsFromEnvironment("VARNOK_UPDATE_PAUSE_MS", options.pause);
  options.descriptionUrl = state.UpdateXmlUrl();
  options.programUrl = state.UpdateExeUrl();
  options.stateDirectory = state.StateDirectory();
  options.selfUpdates = state.SelfUpdates();
  options.localVersion = config::FileVersionString();
  options.publicKey = UpdateKey::ConfiguredText();
  options.closing = [] { return TheAppState::Instance().QuitFlag(); };
  return options;
}

UpdateChecker::UpdateChecker(Options options) : options_(std::move(options)) {}

bool UpdateChecker::Run() {
  if (!options_.selfUpdates)
    return StopSayingOnce(saidSelfUpdateOff, "self-update is off: the state lives in the data directory " +
                                                 options_.stateDirectory +
                                                 " of a shared installation, which its package manager updates");
  const std::optional<UpdateKey> key = UpdateKey::FromBase64(options_.publicKey);
  if (!key)
    return StopSayingOnce(saidWithoutKey,
                          "no usable update key (VARNOK_UPDATE_PUBLIC_KEY), so no update is ever offered");
  if (!PauseUnlessClosing()) return Stop("the program is closing");
  std::optional<UpdateDescription> description = FetchDescription();
  if (!description) return Stop("no usable update description");
  // Older, equal or unreadable versions are not even downloaded: they are never offered,
  // and the download would only replace one the user may still want to install.
  if (!IsNewerVersion(description->version, options_.localVersion)) return Stop("the offered version is not newer");
  if (description->signature.empty()) return Stop("the update description carries no signature");
  const std::optional<std::string> signature = UpdateKey::SignatureFromBase64(description->signature);
  if (!signature) return Stop("the signature is not Base64 of 64 bytes");
  if (!DownloadProgram()) return Stop("the new program could not be downloaded");
  if (const char* refusal = RefusalOfDownload(*description, *signature, *key)) return Stop(refusal);
  AskToInstall();
  return true;
}

bool UpdateChecker::PauseUnlessClosing() const {
  // Shutdown waits for this thread: it must not wait out the whole pause.
  constexpr std::chrono::milliseconds kSlice{50};
  const auto end = std::chrono::steady_clock::now() + options_.pause;
  for (auto now = std::chrono::steady_clock::now(); now < end; now = std::chrono::steady_clock::now()) {
    if (options_.closing()) return false;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kSlice, end - now));
  }
  return !options_.closing();
}

std::optional<UpdateDescription> UpdateChecker::FetchDescription() const {
  std::string document;
  UpdateDownloader downloader(options_.timeout, options_.closing);
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
    std::optional<std::string> chosen = UpdateTarget(options_.stateDirectory, options_.random).Choose();
    if (!chosen) return false;
    target = *chosen;
    file = std::fopen(target.c_str(), "wb");
    if (!file) ACE_ERROR((LM_ERROR, "%p\n", target.c_str()));
    return file != nullptr;
  };
  auto writePiece = [&](const char* data, size_t size) {
    if (written + size > kMaxProgramBytes) return false;
    if (std::fwrite(data, 1, size, file) != size) return false;
    written += size;
    return true;
  };
  bool ok = UpdateDownloader(options_.timeout, options_.closing).Fetch(options_.programUrl, openTarget, writePiece);
  if (!file) return false;
  ok = (std::fclose(file) == 0) && ok;
  // A part of a program is of no use to anyone; a whole one stays, verified or not.
  if (!ok) {
    std::remove(target.c_str());
    return false;
  }
  ::chmod(target.c_str(), 0755);
  downloadedPath_ = target;
  return written > 0;
}

const char* UpdateChecker::RefusalOfDownload(const UpdateDescription& description, const std::string& signature,
                                             const UpdateKey& key) const {
  ProgramDigests digests;
  // A digest that cannot be computed fails: an unverified program is never offered.
  if (options_.digest(downloadedPath_, options_.closing, &digests) != 0)
    return "the digests of the downloaded program cannot be computed";
  if (digests.md5 != description.md5) return "the downloaded program does not match its MD5 digest";
  if (!key.SignedRelease(signature, description.version, digests.sha256))
    return "the signature does not verify with our key for this version and program";
  return nullptr;
}

void UpdateChecker::AskToInstall() const {
  WindowSystem* windows = options_.windows ? options_.windows() : nullptr;
  if (!windows || !windows->AskOkCancel(gbk::kUpdateQuestion, MainTitle())) return;
  SetPendingCommand("\"" + downloadedPath_ + "\"-update");
  windows->Post(MainWindowNotice::kExitRequest);
}
