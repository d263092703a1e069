#pragma once
#include <QList>

#include "ui/PageOverlay.h"

class QLabel;
class QPushButton;
class QVBoxLayout;

// A notice that covers the whole page in its page window, in the page's place: a
// heading, an explanation and a row of buttons, one of which Enter presses.
class PageNotice : public PageOverlay {
  Q_OBJECT

 public:
  explicit PageNotice(QWidget* view);

  void setText(const QString& heading, const QString& explanation);
  // Buttons appear left to right in the order they are added.
  QPushButton* addButton(const QString& objectName, const QString& caption);
  void removeButtons();
  // Shows the notice with the keyboard focus on `button`, which Enter then presses.
  void showWithDefault(QPushButton* button);
  QString report() const override;

 protected:
  QRect placeIn(const QSize& size) const override { return QRect(QPoint(0, 0), size); }

 private:
  QLabel* heading_;
  QLabel* explanation_;
  QWidget* buttonRow_;
  QList<QPushButton*> buttons_;
};
