#include "update/UpdateDownloader.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace {

const char kUserAgent[] = "varnok";

void InitialiseCurlOnce() {
  // curl_global_init is not thread-safe; the first fetch may run on any thread.
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
  const UpdateDownloader::ReplyStarted* replyStarted;
  const UpdateDownloader::BodyPiece* bodyPiece;
  const UpdateDownloader::Cancelled* cancelled;
  bool started = false;

  bool Start() {
    if (started) return true;
    started = true;
    return (*replyStarted)();
  }
};

size_t OnHeader(char*, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  return transfer->Start() ? size * count : 0;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  if (!transfer->Start()) return 0;
  return (*transfer->bodyPiece)(data, bytes) ? bytes : 0;
}

// libcurl asks at least once a second, also while nothing arrives; non-zero aborts.
int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* transfer = static_cast<Transfer*>(user);
  return *transfer->cancelled && (*transfer->cancelled)() ? 1 : 0;
}

long WholeSecondsAtLeastOne(std::chrono::milliseconds timeout) {
  long seconds = static_cast<long>((timeout.count() + 999) / 1000);
  return seconds < 1 ? 1 : seconds;
}

}  // namespace

UpdateDownloader::UpdateDownloader(std::chrono::milliseconds timeout, Cancelled cancelled)
    : timeout_(timeout), cancelled_(std::move(cancelled)) {}

bool UpdateDownloader::Fetch(const std::string& url, const ReplyStarted& replyStarted,
                             const BodyPiece& bodyPiece) const {
  InitialiseCurlOnce();
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
  if (!curl) return false;
  Transfer transfer{&replyStarted, &bodyPiece, &cancelled_};
  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_USERAGENT, kUserAgent);
  // Worker threads must not get SIGALRM from name resolution time-outs.
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeout_.count()));
  // A reply that stalls (less than one byte a second over the whole time-out) is
  // dropped like a failed read; a slow but moving download is not cut off.
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, WholeSecondsAtLeastOne(timeout_));
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &OnHeader);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &OnProgress);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
  return curl_easy_perform(c) == CURLE_OK;
}

bool UpdateDownloader::FetchBounded(const std::string& url, size_t maxBytes, std::string* body) const {
  body->clear();
  bool full = false;
  bool ok = Fetch(
      url, [] { return true; },
      [&](const char* data, size_t size) {
        size_t room = maxBytes - body->size();
        body->append(data, size < room ? size : room);
        full = body->size() == maxBytes;
        // Stop the transfer once the buffer is full; the rest is never looked at.
        return !full;
      });
  return ok || full;
}
