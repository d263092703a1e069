#include "ui/FindBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QWebEngineFindTextResult>
#include <QWebEngineView>

namespace {

constexpr int kWidth = 420, kMargin = 8;

QToolButton* Button(const QString& name, const QString& caption, const QString& tip, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setText(caption);
  button->setToolTip(tip);
  button->setFocusPolicy(Qt::NoFocus);
  button->setAutoRaise(true);
  return button;
}

}  // namespace

FindBar::FindBar(QWebEngineView* view)
    : PageOverlay(view), view_(view), text_(new QLineEdit(this)), count_(new QLabel(this)) {
  setObjectName(QStringLiteral("find"));
  setStyleSheet(QStringLiteral("FindBar { background: #fafafa; border: 1px solid #a0a0a0; border-radius: 3px; }"));
  text_->setObjectName(QStringLiteral("findText"));
  text_->setPlaceholderText(QStringLiteral("在网页中查找"));
  text_->installEventFilter(this);
  count_->setObjectName(QStringLiteral("findCount"));
  count_->setMinimumWidth(110);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(6, 4, 4, 4);
  row->addWidget(text_, 1);
  row->addWidget(count_);
  QToolButton* previous =
      Button(QStringLiteral("findPrevious"), QStringLiteral("▲"), QStringLiteral("上一个 (Shift+F3)"), this);
  QToolButton* next = Button(QStringLiteral("findNext"), QStringLiteral("▼"), QStringLiteral("下一个 (F3)"), this);
  QToolButton* shut = Button(QStringLiteral("findClose"), QStringLiteral("✕"), QStringLiteral("关闭 (Esc)"), this);
  row->addWidget(previous);
  row->addWidget(next);
  row->addWidget(shut);
  connect(previous, &QToolButton::clicked, this, &FindBar::findPrevious);
  connect(next, &QToolButton::clicked, this, &FindBar::findNext);
  connect(shut, &QToolButton::clicked, this, &FindBar::dismiss);
  connect(text_, &QLineEdit::textEdited, this, [this] { find(false); });
  connect(view->page(), &QWebEnginePage::findTextFinished, this, &FindBar::onFound);
  // The marks and the count belong to the page that was searched.
  connect(view->page(), &QWebEnginePage::loadStarted, count_, &QLabel::clear);
}

QRect FindBar::placeIn(const QSize& size) const {
  const int width = qMin(kWidth, size.width() - 2 * kMargin);
  return QRect(size.width() - width - kMargin, kMargin, width, sizeHint().height());
}

void FindBar::open() {
  showOverPage();
  text_->setFocus(Qt::ShortcutFocusReason);
  text_->selectAll();
}

void FindBar::dismiss() {
  hide();
  count_->clear();
  view_->page()->findText(QString());
  view_->setFocus(Qt::OtherFocusReason);
}

void FindBar::findNext() {
  if (!isVisible()) open();
  find(false);
}

void FindBar::findPrevious() {
  if (!isVisible()) open();
  find(true);
}

void FindBar::find(bool backward) {
  if (text_->text().isEmpty()) {
    count_->clear();
    view_->page()->findText(QString());
    return;
  }
  view_->page()->findText(text_->text(), backward ? QWebEnginePage::FindBackward : QWebEnginePage::FindFlags());
}

void FindBar::onFound(const QWebEngineFindTextResult& result) {
  if (text_->text().isEmpty()) return;
  count_->setText(result.numberOfMatches() == 0
                      ? QStringLiteral("无结果")
                      : QStringLiteral("第 %1 个，共 %2 个").arg(result.activeMatch()).arg(result.numberOfMatches()));
}

QString FindBar::report() const { return count_->text(); }

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == text_ && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (key->key() != Qt::Key_Escape && !enter) return PageOverlay::eventFilter(watched, event);
    // The bar's own keys, not the window's (Esc there stops a load).
    if (event->type() == QEvent::ShortcutOverride) {
      event->accept();
      return false;
    }
    if (key->key() == Qt::Key_Escape)
      dismiss();
    else
      find(key->modifiers() & Qt::ShiftModifier);
    return true;
  }
  return PageOverlay::eventFilter(watched, event);
}
