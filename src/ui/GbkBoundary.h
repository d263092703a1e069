#pragma once
#include <QString>
#include <QUrl>
#include <string>

// The one place where the program's GBK byte strings meet Qt's Unicode: widget texts
// and the addresses handed to and read back from the web engine.
//
// Addresses cross through Unicode both ways, so an address read back from the engine,
// kept as GBK (the address box, the favorites and history, varnok.ini) and opened again
// reaches the same place: characters GBK holds are kept as GBK characters, every other
// byte of the address keeps its %-escape, and the engine sends non-ASCII characters as
// UTF-8, as browsers do.
namespace gbk_boundary {

QString FromGbk(const std::string& gbk);
std::string ToGbk(const QString& text);

// An address typed in a widget as GBK: characters GBK cannot hold become the %-escapes
// of their UTF-8 bytes rather than question marks.
std::string AddressToGbk(const QString& typed);

// A GBK address as a URL for the engine. A text without a scheme is read as the engine
// reads user input (a host name with port and path, or a local path).
QUrl UrlFromGbk(const std::string& address);
// The address of a loaded page as GBK: %-escaped UTF-8 characters that GBK holds
// become those characters; everything else stays as the engine wrote it. Empty for an
// empty URL.
std::string GbkFromUrl(const QUrl& url);

// The address to record for `address`: as given when it names its scheme, otherwise
// the address the engine will really load (so "localhost:8000/a.htm" is recorded as
// "http://localhost:8000/a.htm" and stays usable as a link).
std::string AddressAsNavigated(const std::string& address);

}  // namespace gbk_boundary
