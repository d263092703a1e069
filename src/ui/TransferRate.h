#pragma once
#include <QString>
#include <QtGlobal>
#include <deque>
#include <utility>

// The speed of a transfer over its last few seconds, from samples of the bytes received
// so far: a download that stalls drops to zero instead of keeping its old average.
class TransferRate {
 public:
  static constexpr qint64 kWindowMs = 3000;

  // `atMs` on any steady clock; samples come in time order.
  void addSample(qint64 atMs, qint64 bytesSoFar);
  // Bytes per second over the window that ends at `nowMs`; 0 before two samples.
  double bytesPerSecond(qint64 nowMs) const;

 private:
  std::deque<std::pair<qint64, qint64>> samples_;  // (ms, bytes)
};

// "0 B", "812 B", "1.5 KB", "23.4 MB", "2.1 GB": sizes as people read them (1 KB = 1024 B).
QString ByteSizeText(qint64 bytes);
