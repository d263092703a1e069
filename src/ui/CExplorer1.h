#pragma once
#include <QWebEngineView>

// The side bar's advertisement page (control 1013). It only ever shows guanggao.htm and
// is kept out of sight by the side bar's layout.
class CExplorer1 : public QWebEngineView {
  Q_OBJECT

 public:
  // Shows its page through `profile` (the default profile when null).
  explicit CExplorer1(QWebEngineProfile* profile = nullptr, QWidget* parent = nullptr);

  void navigate(const QString& url);
};
