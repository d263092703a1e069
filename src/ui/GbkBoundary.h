#pragma once
#include <QString>
#include <QUrl>
#include <string>

// The one place where the program's GBK byte strings meet Qt's Unicode: widget texts
// and the addresses handed to and read back from the web engine.
namespace gbk_boundary {

QString FromGbk(const std::string& gbk);
std::string ToGbk(const QString& text);

// An address as the user or the state holds it (GBK bytes) as a URL for the engine.
// Bytes above 0x7F travel percent-escaped, so a GBK query such as the portal's
// "type=网址导航" reaches the server as the same GBK bytes. A text without a scheme is
// read as the engine's user input would be (a host name or a local path).
QUrl UrlFromGbk(const std::string& address);
// The address of a loaded page as GBK bytes: the encoded URL with the escapes of bytes
// above 0x7F turned back into those bytes (the inverse of UrlFromGbk). Empty for an
// empty URL.
std::string GbkFromUrl(const QUrl& url);

}  // namespace gbk_boundary
