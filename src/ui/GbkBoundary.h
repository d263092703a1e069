#pragma once
#include <QString>
#include <QUrl>
#include <string>

// The one place where the program's GBK byte strings meet Qt's Unicode: widget texts
// and the addresses handed to and read back from the web engine.
//
// Addresses cross through Unicode both ways. Read back from the engine, characters GBK
// holds become GBK characters and every other byte keeps its %-escape, so nothing but GBK
// reaches the address box, the pages or varnok.ini. Sent to the engine, the path goes as
// UTF-8 (as a link in any page does) and the query as GBK (as a link in our GBK pages
// does, and as the portal expects), so an address leads to the same place whether it is
// opened from the address box or from a link on the favorites or history page.
namespace gbk_boundary {

QString FromGbk(const std::string& gbk);
std::string ToGbk(const QString& text);

// An address typed in a widget as GBK: characters GBK cannot hold become the %-escapes
// of their UTF-8 bytes rather than question marks.
std::string AddressToGbk(const QString& typed);

// A GBK address as a URL for the engine: path and fragment through Unicode, the query's
// bytes above 0x7F escaped as they are. A text without a scheme is read as the engine
// reads user input (a host name with port and path, or a local path).
QUrl UrlFromGbk(const std::string& address);
// The address of a loaded page as GBK: %-escaped UTF-8 characters that GBK holds
// become those characters, and so do escaped GBK characters in the query; everything
// else stays as the engine wrote it. Empty for an empty URL.
std::string GbkFromUrl(const QUrl& url);

// The address to record for `address`: as given when it names its scheme, otherwise
// the address the engine will really load (so "localhost:8000/a.htm" is recorded as
// "http://localhost:8000/a.htm" and stays usable as a link).
std::string AddressAsNavigated(const std::string& address);

// `address` without the password of its user part, if it has one.
std::string WithoutPassword(const std::string& address);

}  // namespace gbk_boundary
