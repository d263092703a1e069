#include "ui/PageZoom.h"

#include <QChildEvent>
#include <QWebEngineView>
#include <QWheelEvent>
#include <iterator>

#include "ui/ZoomIndicator.h"

namespace {

const double kSteps[] = {0.25, 0.33, 0.5, 0.67, 0.75, 0.8, 0.9, 1.0, 1.1, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0, 4.0, 5.0};
constexpr double kNear = 0.005;

}  // namespace

PageZoom::PageZoom(QWebEngineView* view) : QObject(view), view_(view) {
  // The wheel reaches the engine's drawing surface, a child of the view made later.
  view->installEventFilter(this);
}

double PageZoom::StepFrom(double factor, int direction) {
  if (direction > 0) {
    for (double step : kSteps)
      if (step > factor + kNear) return step;
    return kSteps[std::size(kSteps) - 1];
  }
  for (auto step = std::rbegin(kSteps); step != std::rend(kSteps); ++step)
    if (*step < factor - kNear) return *step;
  return kSteps[0];
}

void PageZoom::zoomIn() { setFactor(StepFrom(view_->zoomFactor(), +1)); }

void PageZoom::zoomOut() { setFactor(StepFrom(view_->zoomFactor(), -1)); }

void PageZoom::reset() { setFactor(1.0); }

void PageZoom::setFactor(double factor) {
  view_->setZoomFactor(factor);
  if (!indicator_) indicator_ = new ZoomIndicator(view_);
  indicator_->showLevel(factor);
}

bool PageZoom::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_ && event->type() == QEvent::ChildAdded) {
    auto* child = static_cast<QChildEvent*>(event)->child();
    if (child->isWidgetType()) child->installEventFilter(this);
  }
  if (event->type() == QEvent::Wheel) {
    auto* wheel = static_cast<QWheelEvent*>(event);
    if (wheel->modifiers() & Qt::ControlModifier) {
      const int delta = wheel->angleDelta().y();
      if (delta > 0) zoomIn();
      if (delta < 0) zoomOut();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}
