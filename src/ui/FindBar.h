#pragma once
#include "ui/PageOverlay.h"

class QLabel;
class QLineEdit;
class QWebEngineFindTextResult;
class QWebEngineView;

// Find in page: a small bar at the top right of the page. Typing searches as the text
// changes; Enter or F3 goes to the next match, Shift+Enter or Shift+F3 to the previous
// one; the bar counts them ("第 2 个，共 3 个"). Esc closes it and clears the marks.
class FindBar : public PageOverlay {
  Q_OBJECT

 public:
  explicit FindBar(QWebEngineView* view);

  // Shows the bar with its text selected and the focus in it.
  void open();
  void dismiss();
  // Next or previous match of the text (the bar opens when it was closed).
  void findNext();
  void findPrevious();
  QString report() const override;

 protected:
  QRect placeIn(const QSize& size) const override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void find(bool backward);
  void onFound(const QWebEngineFindTextResult& result);

  QWebEngineView* view_;
  QLineEdit* text_;
  QLabel* count_;
};
