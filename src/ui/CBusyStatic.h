#pragma once
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <functional>

// The loading animation of the address bar (control 1047): three coloured stripes that
// slide down the control while the active page loads. It is only ever started from
// outside; it is out of sight until its first step, and stops and hides itself at the
// first step or paint that finds the active page idle.
class CBusyStatic : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kTimerPeriodMs = 200;
  static constexpr int kStepPixels = 3;

  // What one paint draws: the white background, the three stripes (blue, green, red,
  // top to bottom) and the position the next paint starts from.
  struct Frame {
    QRect background;
    QRect stripes[3];
    int nextPosition = 0;
  };
  // One animation step for a client area `client` whose first stripe starts at `position`.
  static Frame ComputeFrame(const QRect& client, int position);

  explicit CBusyStatic(QWidget* parent = nullptr);

  // Answers whether the active page is still loading; set by the main frame. Without
  // one the indicator treats every page as idle.
  void setLoadingQuery(std::function<bool()> isActivePageLoading);

  // (Re)starts the animation from the top; a running animation starts over. A hidden
  // indicator shows at the first step (kTimerPeriodMs later) if the page still loads.
  void start();

  bool isAnimating() const { return timer_.isActive(); }
  int position() const { return position_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool activePageLoading() const;
  void step();
  void stop();

  QTimer timer_;
  int position_ = 0;
  std::function<bool()> isActivePageLoading_;
};
