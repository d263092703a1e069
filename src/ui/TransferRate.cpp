#include "ui/TransferRate.h"

void TransferRate::addSample(qint64 atMs, qint64 bytesSoFar) {
  samples_.emplace_back(atMs, bytesSoFar);
  // One sample older than the window stays as its starting point.
  while (samples_.size() > 2 && samples_[1].first <= atMs - kWindowMs) samples_.pop_front();
}

double TransferRate::bytesPerSecond(qint64 nowMs) const {
  if (samples_.size() < 2) return 0;
  const auto& first = samples_.front();
  const auto& last = samples_.back();
  // Nothing has arrived for a whole window: stalled.
  if (nowMs - last.first >= kWindowMs || nowMs <= first.first) return 0;
  return double(last.second - first.second) * 1000.0 / double(nowMs - first.first);
}

QString ByteSizeText(qint64 bytes) {
  if (bytes < 1024) return QStringLiteral("%1 B").arg(qMax<qint64>(0, bytes));
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
  double value = double(bytes) / 1024.0;
  int unit = 0;
  while (value >= 1024.0 && unit < 3) {
    value /= 1024.0;
    ++unit;
  }
  return QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(QLatin1String(kUnits[unit]));
}
