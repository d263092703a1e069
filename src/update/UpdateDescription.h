#pragma once
#include <optional>
#include <string>

// What update.xml announces: the newest version, the MD5 digest of its program and the
// vendor's signature of the release.
// The document is searched as plain bytes, not parsed as XML, so the site's files keep
// working exactly as they were written for the earlier releases.
struct UpdateDescription {
  static constexpr const char kMarker[] = "<flag>varnok update xml flag</flag>";
  // At most this many bytes of the document are looked at.
  static constexpr size_t kMaxBytes = 4087;

  std::string version;    // verbatim, blanks and line ends included
  std::string md5;        // verbatim; a match needs 32 upper-case hexadecimal digits
  std::string signature;  // verbatim Base64; empty when the signature tags are missing

  // Empty when the marker is missing anywhere in the document, or the version or
  // digest tags are missing after "<software>" (a missing signature still parses, so the
  // check can say why it refuses). The document ends at its first zero byte.
  static std::optional<UpdateDescription> Parse(const std::string& document);
};
