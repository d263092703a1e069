#include "ui/ZoomIndicator.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <cmath>

namespace {

constexpr int kShownMs = 1500;
constexpr int kWidth = 120, kHeight = 40, kTop = 8;

}  // namespace

ZoomIndicator::ZoomIndicator(QWidget* view)
    : PageOverlay(view), level_(new QLabel(this)), hideTimer_(new QTimer(this)) {
  setObjectName(QStringLiteral("zoom"));
  setStyleSheet(QStringLiteral("ZoomIndicator { background: #404040; border-radius: 6px; }"
                               "QLabel { color: white; font-size: 18px; }"));
  setAttribute(Qt::WA_TransparentForMouseEvents);
  level_->setAlignment(Qt::AlignCenter);
  (new QHBoxLayout(this))->addWidget(level_);
  hideTimer_->setSingleShot(true);
  hideTimer_->setInterval(kShownMs);
  connect(hideTimer_, &QTimer::timeout, this, &QWidget::hide);
}

void ZoomIndicator::showLevel(double factor) {
  level_->setText(QStringLiteral("%1%").arg(std::lround(factor * 100)));
  showOverPage();
  hideTimer_->start();
}

QString ZoomIndicator::report() const { return level_->text(); }

QRect ZoomIndicator::placeIn(const QSize& size) const {
  return QRect((size.width() - kWidth) / 2, kTop, kWidth, kHeight);
}
