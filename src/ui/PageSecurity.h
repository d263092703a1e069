#pragma once

class AppState;
class QUrl;
class QWebEngineProfile;

// What the pages of a profile may do, since every page is taken for hostile: a page
// opened from a file is an origin of its own that reads no other file, no page of
// another origin and nothing of the web; pages may open windows, go full screen and ask
// to share the screen (the frame asks the person); and the guard in front of our server
// refuses every request to it that neither the program nor one of our own pages made.
// Every profile that shows pages gets this before its first page is made.
namespace page_security {

void Apply(QWebEngineProfile* profile, const AppState& state);

// True for one of the generated pages opened as a file.
bool IsOwnFilePage(const AppState& state, const QUrl& url);
// True for a link or the form of a generated page shown as a file (`page`) that leads to
// our server (`target`). The engine lets a file page's form reach no web address, so the
// program follows these itself, as a navigation of its own.
bool IsOwnPageCommand(const AppState& state, const QUrl& page, const QUrl& target);

}  // namespace page_security
