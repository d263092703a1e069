#include "ui/CBusyStatic.h"

#include <QPainter>

#include <algorithm>

#include "ui/ControlIds.h"

namespace {

// A rectangle given by its edges, the bottom edge exclusive (as the stripes are computed).
QRect FromEdges(int left, int top, int right, int bottom) {
  return QRect(QPoint(left, top), QSize(right - left, bottom - top));
}

}  // namespace

CBusyStatic::Frame CBusyStatic::ComputeFrame(const QRect& client, int position) {
  const int left = client.left();
  const int right = client.left() + client.width();
  const int top = client.top();
  const int bottom = client.top() + client.height();
  const int height = bottom - top;

  Frame frame;
  frame.background = client;
  // The first stripe never reaches below the client area; the two that follow it are
  // left to the window's clipping.
  int stripeTop = position;
  int stripeBottom = std::min(position + height / 9, bottom);
  for (QRect& stripe : frame.stripes) {
    stripe = FromEdges(left, stripeTop, right, stripeBottom);
    const int stripeHeight = stripeBottom - stripeTop;
    stripeTop = stripeBottom;
    stripeBottom += stripeHeight;
  }
  frame.nextPosition = position + kStepPixels;
  if (frame.nextPosition >= (height / 3) * 2) frame.nextPosition = 0;
  return frame;
}

CBusyStatic::CBusyStatic(QWidget* parent) : QWidget(parent) {
  SetControlId(this, ids::IDC_STATIC_BUSY);
  // Out of sight until a load has gone on for a step: shown with its bar, it would be
  // hidden again at its first paint, drawing the whole window twice as it first appears.
  hide();
  timer_.setInterval(kTimerPeriodMs);
  connect(&timer_, &QTimer::timeout, this, &CBusyStatic::step);
}

void CBusyStatic::setLoadingQuery(std::function<bool()> isActivePageLoading) {
  isActivePageLoading_ = std::move(isActivePageLoading);
}

void CBusyStatic::start() {
  // It comes into sight at its first step, not at once: a page that has loaded by then
  // (most pages from the disk cache or a near server) never makes it flash, and while a
  // page starts loading, the whole window is not drawn again just for the indicator.
  timer_.start();
  position_ = 0;
}

void CBusyStatic::step() {
  if (!activePageLoading()) {
    stop();
    return;
  }
  if (isHidden()) show();
  update();
}

bool CBusyStatic::activePageLoading() const { return isActivePageLoading_ && isActivePageLoading_(); }

void CBusyStatic::stop() {
  timer_.stop();
  hide();
}

void CBusyStatic::paintEvent(QPaintEvent*) {
  if (!activePageLoading()) {
    stop();
    return;
  }
  const Frame frame = ComputeFrame(rect(), position_);
  QPainter painter(this);
  painter.fillRect(frame.background, Qt::white);
  painter.fillRect(frame.stripes[0], QColor(0, 0, 255));
  painter.fillRect(frame.stripes[1], QColor(0, 255, 0));
  painter.fillRect(frame.stripes[2], QColor(255, 0, 0));
  position_ = frame.nextPosition;
}
