#pragma once
#include <string>

// Which addresses may become the home page. The Home button opens the home address in
// whatever page is showing, so an address that runs there (javascript:) or shows forged
// content under it (data:) must never get in.
class HomeAddress {
 public:
  // True for the empty address, an http, https, ftp or file address, and an address
  // without a scheme that the address box completes to a web address ("www.x.cn",
  // "host.cn:8080/x", "localhost:8080"). False for every other scheme.
  static bool IsAcceptable(const std::string& address);
  // http, https, ftp or file, in any letter case: the schemes the program opens at all.
  static bool IsWebScheme(const std::string& scheme);

 private:
  // The address as a web engine reads it: tabs and line breaks dropped anywhere,
  // control characters and blanks dropped at both ends.
  static std::string AsEngineReadsIt(const std::string& address);
  static bool IsHostAndPort(const std::string& name, const std::string& rest);
};
