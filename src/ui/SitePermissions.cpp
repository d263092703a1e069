#include "ui/SitePermissions.h"

#include <algorithm>

namespace {

void Tell(QWebEnginePage* page, const QUrl& origin, QWebEnginePage::Feature feature, bool granted) {
  using Page = QWebEnginePage;
  page->setFeaturePermission(origin, feature, granted ? Page::PermissionGrantedByUser : Page::PermissionDeniedByUser);
}

}  // namespace

SitePermissions::SitePermissions(QWidget* dialogParent, QObject* parent)
    : QObject(parent), dialogParent_(dialogParent) {}

void SitePermissions::watch(QWebEnginePage* page) {
  connect(page, &QWebEnginePage::featurePermissionRequested, this,
          [this, page](const QUrl& origin, QWebEnginePage::Feature feature) { onRequested(page, origin, feature); });
  connect(page, &QWebEnginePage::featurePermissionRequestCanceled, this,
          [this, page](const QUrl& origin, QWebEnginePage::Feature feature) { onCancelled(page, origin, feature); });
}

void SitePermissions::onRequested(QWebEnginePage* page, const QUrl& origin, QWebEnginePage::Feature feature) {
  const Request request{page, origin, feature};
  const auto known = answers_.constFind(request.key());
  if (known != answers_.constEnd()) return Tell(page, origin, feature, *known);
  waiting_.append(request);
  if (!prompt_) askNext();
}

void SitePermissions::onCancelled(QWebEnginePage* page, const QUrl& origin, QWebEnginePage::Feature feature) {
  const Key key = Request{page, origin, feature}.key();
  const bool shownOne = prompt_ && !waiting_.isEmpty() && waiting_.first().key() == key;
  waiting_.removeIf([&](const Request& r) { return r.page == page && r.key() == key; });
  // Nobody waits for the question in sight any more: it goes without an answer to remember.
  const bool stillWanted =
      std::any_of(waiting_.begin(), waiting_.end(), [&](const Request& r) { return r.key() == key; });
  if (shownOne && !stillWanted) {
    prompt_->disconnect(this);
    prompt_->close();
    askNext();
  }
}

void SitePermissions::askNext() {
  waiting_.removeIf([](const Request& r) { return !r.page; });
  if (waiting_.isEmpty()) return;
  const Request& next = waiting_.first();
  const Key key = next.key();
  prompt_ = new PermissionPrompt(next.origin, next.feature, dialogParent_);
  connect(prompt_, &QDialog::finished, this, [this, key](int result) { answer(key, result == QDialog::Accepted); });
  prompt_->open();
}

void SitePermissions::answer(const Key& key, bool granted) {
  answers_.insert(key, granted);
  // Every page of the site that asked for it meanwhile takes the same answer.
  const QList<Request> waiting = waiting_;
  waiting_.clear();
  for (const Request& request : waiting) {
    if (request.key() != key)
      waiting_.append(request);
    else if (request.page)
      Tell(request.page, request.origin, request.feature, granted);
  }
  prompt_ = nullptr;
  askNext();
}
