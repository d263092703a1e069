#pragma once
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

#include "app/WindowSystem.h"
#include "update/Md5Hex.h"
#include "update/UpdateDescription.h"

// One update check: fetch update.xml, compare its version with ours, download the
// announced program into the update directory, verify its MD5 digest and ask the user.
// On OK the program is asked to close, and shutdown starts the download in install mode.
class UpdateChecker {
 public:
  struct Options {
    // The pause before anything is fetched, so the check never competes with start-up.
    std::chrono::milliseconds pause{5000};
    std::chrono::milliseconds timeout{18000};
    std::string descriptionUrl;
    std::string programUrl;
    std::string moduleDirectory;  // ends in "/"
    std::string localVersion;
    // The update thread seeds the generator; the fall-back names draw from it.
    std::function<int()> random = [] { return std::rand(); };
    // Asked at question time: the window system may be gone by then (no one to ask: Cancel).
    std::function<WindowSystem*()> windows = &WindowSystem::Current;
    // Digest text of the bytes; 0 on success.
    std::function<unsigned long(const std::string& bytes, std::string* hex)> digest = &Md5HexOf;

    // The program's own values; VARNOK_UPDATE_PAUSE_MS shortens the pause.
    static Options ForThisProgram();
  };

  explicit UpdateChecker(Options options);

  // True when a verified program was downloaded and the user was asked, whatever the answer.
  bool Run();

  // The file written by the last download; empty before.
  const std::string& downloadedPath() const { return downloadedPath_; }

 private:
  std::optional<UpdateDescription> FetchDescription() const;
  bool DownloadProgram();
  bool VerifyDownload(const std::string& expectedMd5) const;
  void AskToInstall() const;

  Options options_;
  std::string downloadedPath_;
};
