#pragma once
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

#include "app/WindowSystem.h"
#include "update/ProgramDigests.h"
#include "update/UpdateDescription.h"
#include "update/UpdateKey.h"

// One update check: fetch update.xml, make sure it offers a newer version with a
// well-formed signature, download the announced program into the update directory,
// verify its MD5 digest and the vendor's signature, and ask the user. On OK the program
// is asked to close, and shutdown starts the download in install mode. A program without
// a usable vendor key checks nothing: it could never offer anything. The program goes
// to its file piece by piece, and no more than kMaxProgramBytes of it; once the program
// is closing, a download or a digest ends within a second.
class UpdateChecker {
 public:
  // Far beyond any real release; an endless answer ends here and leaves no file behind.
  static constexpr unsigned long long kMaxProgramBytes = 256ull << 20;

  struct Options {
    // The pause before anything is fetched, so the check never competes with start-up.
    std::chrono::milliseconds pause{5000};
    std::chrono::milliseconds timeout{18000};
    std::string descriptionUrl;
    std::string programUrl;
    // The directory that update/ is made in (ends in "/"); nothing is fetched when off.
    std::string stateDirectory;
    bool selfUpdates = true;
    std::string localVersion;
    // Base64 of the vendor's Ed25519 public key; empty or malformed: no update is offered.
    std::string publicKey;
    // The update thread seeds the generator; the fall-back names draw from it.
    std::function<int()> random = [] { return std::rand(); };
    // Asked at question time: the window system may be gone by then (no one to ask: Cancel).
    std::function<WindowSystem*()> windows = &WindowSystem::Current;
    // Both digests of the downloaded file; 0 on success.
    std::function<unsigned long(const std::string& path, const std::function<bool()>& stop, ProgramDigests*)> digest =
        &ProgramDigests::OfFile;
    // True once the program is closing: the pause, a download or a digest ends then.
    std::function<bool()> closing = [] { return false; };

    // The program's own values; VARNOK_UPDATE_PAUSE_MS shortens the pause,
    // VARNOK_UPDATE_PUBLIC_KEY replaces the key built in, and the quit flag is `closing`.
    static Options ForThisProgram();
  };

  explicit UpdateChecker(Options options);

  // True when a verified program was downloaded and the user was asked, whatever the
  // answer. Every refusal is logged at debug priority with the check that failed.
  bool Run();

  // The file written by the last download; empty before.
  const std::string& downloadedPath() const { return downloadedPath_; }

 private:
  // Sleeps the pause; false when the program began closing meanwhile.
  bool PauseUnlessClosing() const;
  std::optional<UpdateDescription> FetchDescription() const;
  bool DownloadProgram();
  // Why the downloaded program may not be offered; nullptr when it may.
  const char* RefusalOfDownload(const UpdateDescription& description, const std::string& signature,
                                const UpdateKey& key) const;
  void AskToInstall() const;

  Options options_;
  std::string downloadedPath_;
};
