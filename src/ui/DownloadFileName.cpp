#include "ui/DownloadFileName.h"

#include <QFile>

namespace download_file_name {
namespace {

bool IsHidden(char32_t c) {
  const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
  const bool direction = c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
                         (c >= 0x2066 && c <= 0x2069);
  return control || direction;
}

int EncodedSize(const QString& name) { return static_cast<int>(QFile::encodeName(name).size()); }

// Drops whole characters from the end of `base` until base + extension fits.
QString Fit(QString base, const QString& extension) {
  while (!base.isEmpty() && EncodedSize(base + extension) > kMaxBytes) {
    base.chop(1);
    if (!base.isEmpty() && base.back().isHighSurrogate()) base.chop(1);
  }
  return base + extension;
}

}  // namespace

QString Clean(const QString& offered) {
  QString name;
  for (char32_t c : offered.toUcs4())
    if (!IsHidden(c)) name += QString::fromUcs4(&c, 1);
  name.replace(QLatin1Char('/'), QLatin1Char('_'));
  while (!name.isEmpty() && (name.front() == QLatin1Char('.') || name.front().isSpace())) name.remove(0, 1);
  name = name.trimmed();
  if (name.isEmpty()) return QStringLiteral("download");
  if (EncodedSize(name) <= kMaxBytes) return name;
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  const bool keepExtension = dot > 0 && name.size() - dot <= kMaxExtensionLength;
  return keepExtension ? Fit(name.left(dot), name.mid(dot)) : Fit(name, QString());
}

}  // namespace download_file_name
