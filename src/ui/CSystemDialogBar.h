#pragma once
#include <QString>
#include <QWidget>

class CExplorer1;
class CExplorer2;
class QWebEngineProfile;

// The right-hand side bar (template 132) with its two side pages: the advertisement page
// guanggao.htm (control 1013), kept out of sight, and the system-message page
// sysmsg.htm (control 1015), which fills the bar. Both come from the embedded server.
// The main frame creates this bar hidden and has its pages requested when it is shown.
class CSystemDialogBar : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kHiddenTop = -1000;

  // The bar with both pages, which request nothing until loadPages(); they show
  // through `profile` (the default profile when null).
  explicit CSystemDialogBar(QWebEngineProfile* profile = nullptr, QWidget* parent = nullptr);
  // The bar with both pages already requested from `localBaseUrl`.
  explicit CSystemDialogBar(const QString& localBaseUrl, QWidget* parent = nullptr);

  // Requests both pages from the embedded server's base URL, ending in "/".
  void loadPages(const QString& localBaseUrl);
  bool pagesRequested() const { return !localBaseUrl_.isEmpty(); }

  // Parks the advertisement page above the bar and gives the message page the host's
  // whole area; `hostSize` is the size of the bar's host.
  void layoutControls(const QSize& hostSize);

  // The answer to a system-message notice: reload the message page if it has finished
  // loading, otherwise drop the notice. When the server's base URL has changed since the
  // pages were requested (it moved off a busy port), both pages are requested again from
  // the new one. Returns whether the message page was reloaded.
  bool refreshMessagePage(const QString& localBaseUrl);
  // Reloads the message page whether or not it has finished loading (from the new base
  // URL, with the advertisement page, when the server has moved).
  void reloadMessagePage(const QString& localBaseUrl);

  CExplorer1* advertisementPage() const { return advertisement_; }
  CExplorer2* messagePage() const { return messages_; }
  QSize sizeHint() const override;

 private:
  QString localBaseUrl_;
  CExplorer1* advertisement_;
  CExplorer2* messages_;
};
