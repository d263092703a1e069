#include "ui/WidgetMapWriter.h"

#include <QMdiArea>
#include <QSaveFile>
#include <QTimer>

#include "ui/CBrowserDialogbar.h"
#include "ui/CChildFrame.h"
#include "ui/CClientWnd.h"
#include "ui/CMainFrame.h"
#include "ui/CvarnokView.h"

namespace {

constexpr int kRefreshMs = 150;

QString Line(const QString& name, const QWidget* widget, QStringList flags) {
  const QPoint at = widget->mapToGlobal(QPoint(0, 0));
  if (widget->isVisible()) flags.prepend(QStringLiteral("visible"));
  return QStringLiteral("%1 %2 %3 %4 %5 %6\n")
      .arg(name)
      .arg(at.x())
      .arg(at.y())
      .arg(widget->width())
      .arg(widget->height())
      .arg(flags.join(QLatin1Char(' ')));
}

}  // namespace

void WidgetMapWriter::AttachIfRequested(CMainFrame* frame) {
  const QString path = qEnvironmentVariable("VARNOK_WIDGET_MAP");
  if (!path.isEmpty()) new WidgetMapWriter(frame, path);
}

WidgetMapWriter::WidgetMapWriter(CMainFrame* frame, const QString& path)
    : QObject(frame), frame_(frame), path_(path) {
  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, &WidgetMapWriter::WriteIfChanged);
  timer->start(kRefreshMs);
}

QString WidgetMapWriter::Describe() const {
  QStringList mainFlags;
  if (frame_->isMaximized()) mainFlags << QStringLiteral("maximized");
  if (frame_->isActiveWindow()) mainFlags << QStringLiteral("active");
  QString map = Line(QStringLiteral("main"), frame_, mainFlags);
  map += Line(QStringLiteral("area"), frame_->clientArea()->viewport(), {});
  for (QWidget* control : frame_->addressBar()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    if (!control->objectName().isEmpty()) map += Line(control->objectName(), control, {});
  const QList<CChildFrame*> pages = frame_->pageWindows();
  QMdiSubWindow* current = frame_->clientArea()->currentSubWindow();
  for (int i = 0; i < pages.size(); ++i) {
    CChildFrame* page = pages[i];
    QStringList flags;
    if (page == current) flags << QStringLiteral("current");
    if (page->isMaximized()) flags << QStringLiteral("maximized");
    if (page->isMinimized()) flags << QStringLiteral("minimized");
    if (page->view()->isLoading()) flags << QStringLiteral("loading");
    // The page's address as it would be sent, so it holds no blanks.
    if (!page->view()->url().isEmpty()) flags << QStringLiteral("url=") + QString::fromLatin1(page->view()->url().toEncoded());
    const QString name = QStringLiteral("page.%1").arg(i);
    map += Line(name, page, flags);
    map += Line(name + QStringLiteral(".view"), page->view(), {});
  }
  return map;
}

void WidgetMapWriter::WriteIfChanged() {
  const QString map = Describe();
  if (map == written_) return;
  QSaveFile file(path_);
  if (!file.open(QIODevice::WriteOnly)) return;
  file.write(map.toUtf8());
  if (file.commit()) written_ = map;
}
