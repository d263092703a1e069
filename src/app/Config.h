#pragma once
#include <chrono>
#include <string>

// Values the program is configured with at build time; each can be overridden by an
// environment variable of the same name, so tests and local update sites can run
// side by side.
namespace config {

// Product site URL: "http://host/", the base of the update files and the name and
// content of the single-instance token (VARNOK_SITE_URL).
std::string SiteUrl();
// Host part of the site URL, as shown in the main title.
std::string SiteHost();
// Portal URL: the default home page (VARNOK_PORTAL_URL).
std::string PortalUrl();
// Port text of the embedded server (VARNOK_PORT).
std::string ConfiguredPort();
// The program's version text, "1.0.0.1".
std::string FileVersionString();

// A duration in milliseconds from the environment variable `name`, for the waits that
// tests shorten; `fallback` when it is unset, empty, negative or not a whole number.
std::chrono::milliseconds MillisecondsFromEnvironment(const char* name, std::chrono::milliseconds fallback);

}  // namespace config
