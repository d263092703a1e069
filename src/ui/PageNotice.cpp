#include "ui/PageNotice.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

PageNotice::PageNotice(QWidget* view)
    : PageOverlay(view), heading_(new QLabel), explanation_(new QLabel), buttonRow_(new QWidget) {
  setStyleSheet(QStringLiteral("PageNotice { background: #f4f4f4; } QLabel#heading { font-size: 20px; }"));
  heading_->setObjectName(QStringLiteral("heading"));
  explanation_->setWordWrap(true);
  explanation_->setTextFormat(Qt::PlainText);
  heading_->setTextFormat(Qt::PlainText);
  auto* row = new QHBoxLayout(buttonRow_);
  row->setContentsMargins(0, 0, 0, 0);
  row->addStretch();
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(48, 48, 48, 48);
  column->setSpacing(16);
  column->addWidget(heading_);
  column->addWidget(explanation_);
  column->addWidget(buttonRow_);
  column->addStretch();
}

void PageNotice::setText(const QString& heading, const QString& explanation) {
  heading_->setText(heading);
  explanation_->setText(explanation);
}

QPushButton* PageNotice::addButton(const QString& objectName, const QString& caption) {
  auto* button = new QPushButton(caption);
  button->setObjectName(objectName);
  // Enter presses the button that has the focus, as in a dialog.
  button->setAutoDefault(true);
  auto* row = static_cast<QHBoxLayout*>(buttonRow_->layout());
  row->insertWidget(row->count() - 1, button);
  buttons_.append(button);
  return button;
}

void PageNotice::removeButtons() {
  qDeleteAll(buttons_);
  buttons_.clear();
}

void PageNotice::showWithDefault(QPushButton* button) {
  showOverPage();
  // Only the page being worked on takes the keyboard; a notice in another page window
  // waits there without pulling that window to the front.
  auto* pageWindow = qobject_cast<QMdiSubWindow*>(parentWidget()->parentWidget());
  if (!pageWindow || !pageWindow->mdiArea() || pageWindow->mdiArea()->currentSubWindow() == pageWindow)
    button->setFocus(Qt::OtherFocusReason);
}

QString PageNotice::report() const { return heading_->text() + QLatin1Char('\n') + explanation_->text(); }
