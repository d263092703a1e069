// The libcurl functions the program calls, defined here so that libcurl (with its TLS,
// LDAP, SSH and IDN libraries) is loaded only when the first download begins, not with
// the program: most runs never fetch an update. Each looks up its namesake in the
// library once and forwards to it; without the library, each fails as libcurl itself
// reports failures.
#define CURL_DISABLE_TYPECHECK  // the type-checking macros would rename what is defined here
#include <curl/curl.h>

#include <cstdarg>

#include "platform/OnDemandLibrary.h"

namespace {

platform::OnDemandLibrary curl("libcurl.so.4");

}  // namespace

extern "C" {

CURLcode curl_global_init(long flags) {
  VARNOK_ON_DEMAND(curl, curl_global_init);
  return real ? real(flags) : CURLE_FAILED_INIT;
}

CURL* curl_easy_init() {
  VARNOK_ON_DEMAND(curl, curl_easy_init);
  return real ? real() : nullptr;
}

CURLcode curl_easy_setopt(CURL* handle, CURLoption option, ...) {
  VARNOK_ON_DEMAND(curl, curl_easy_setopt);
  if (!real) return CURLE_FAILED_INIT;
  // The option's number tells the type of its one argument (curl.h's CURLOPTTYPE_*).
  va_list arguments;
  va_start(arguments, option);
  CURLcode result;
  if (option < CURLOPTTYPE_OBJECTPOINT)
    result = real(handle, option, va_arg(arguments, long));
  else if (option >= CURLOPTTYPE_OFF_T && option < CURLOPTTYPE_BLOB)
    result = real(handle, option, va_arg(arguments, curl_off_t));
  else
    result = real(handle, option, va_arg(arguments, void*));  // data and function pointers alike
  va_end(arguments);
  return result;
}

CURLcode curl_easy_perform(CURL* handle) {
  VARNOK_ON_DEMAND(curl, curl_easy_perform);
  return real ? real(handle) : CURLE_FAILED_INIT;
}

void curl_easy_cleanup(CURL* handle) {
  VARNOK_ON_DEMAND(curl, curl_easy_cleanup);
  if (real) real(handle);
}

}  // extern "C"
