#include "ui/ChineseInterface.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace chinese_interface {

namespace {

QLocale SimplifiedChinese() { return QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China); }

}  // namespace

void SelectLocale() { QLocale::setDefault(SimplifiedChinese()); }

int InstallTranslations(QCoreApplication& application) {
  const QString directory = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  int installed = 0;
  for (const char* catalogue : {"qtbase", "qtwebengine"}) {
    auto* translator = new QTranslator(&application);
    if (translator->load(SimplifiedChinese(), QLatin1String(catalogue), QStringLiteral("_"), directory) &&
        QCoreApplication::installTranslator(translator)) {
      ++installed;
    } else {
      delete translator;
    }
  }
  return installed;
}

}  // namespace chinese_interface
