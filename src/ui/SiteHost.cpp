#include "ui/SiteHost.h"

QString SiteHostText(const QUrl& origin, const QFontMetrics& metrics, int width) {
  QString host = origin.host(QUrl::FullyEncoded);
  if (origin.port() != -1) host += QLatin1Char(':') + QString::number(origin.port());
  return metrics.elidedText(host, Qt::ElideLeft, width);
}
