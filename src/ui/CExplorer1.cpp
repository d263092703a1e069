#include "ui/CExplorer1.h"

#include <QUrl>
#include <QWebEngineProfile>

#include "ui/ControlIds.h"

CExplorer1::CExplorer1(QWebEngineProfile* profile, QWidget* parent)
    : QWebEngineView(profile ? profile : QWebEngineProfile::defaultProfile(), parent) {
  setObjectName(QStringLiteral("CExplorer1"));
  SetControlId(this, ids::IDC_EXPLORER_GUANGGAO);
}

void CExplorer1::navigate(const QString& url) { load(QUrl(url)); }
