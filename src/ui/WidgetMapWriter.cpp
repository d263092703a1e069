#include "ui/WidgetMapWriter.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QWebEnginePage>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

#include "ui/CBrowserDialogbar.h"
#include "ui/CChildFrame.h"
#include "ui/CClientWnd.h"
#include "ui/CMainFrame.h"
#include "ui/CvarnokView.h"
#include "ui/DownloadItem.h"
#include "ui/DownloadRequestHandler.h"
#include "ui/DownloadRow.h"
#include "ui/DownloadsWindow.h"
#include "ui/FullScreenController.h"
#include "ui/PageOverlay.h"
#include "ui/PermissionPrompt.h"
#include "ui/SitePermissions.h"

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

const char* StateWord(DownloadItem::State state) {
  switch (state) {
    case DownloadItem::State::kInProgress: return "running";
    case DownloadItem::State::kFinished: return "finished";
    case DownloadItem::State::kCancelled: return "cancelled";
    case DownloadItem::State::kFailed: return "failed";
  }
  return "";
}

// A text as one flag word: "text=" and the text %-encoded, blanks included.
QString TextFlag(const QString& text) {
  return QStringLiteral("text=") + QString::fromLatin1(QUrl::toPercentEncoding(text));
}

// "disabled" for a control that takes no clicks; the text of an edit field or a box.
QStringList ControlFlags(const QWidget* control) {
  QStringList flags;
  if (!control->isEnabled()) flags << QStringLiteral("disabled");
  if (const auto* box = qobject_cast<const QComboBox*>(control)) flags << TextFlag(box->currentText());
  if (const auto* edit = qobject_cast<const QLineEdit*>(control)) flags << TextFlag(edit->text());
  if (control->hasFocus()) flags << QStringLiteral("focus");
  return flags;
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
    if (!control->objectName().isEmpty()) map += Line(control->objectName(), control, ControlFlags(control));
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
    flags << TextFlag(page->view()->title());
    const QString name = QStringLiteral("page.%1").arg(i);
    flags << QStringLiteral("zoom=%1").arg(qRound(page->view()->zoomFactor() * 100))
          << QStringLiteral("renderer=%1").arg(page->view()->page()->renderProcessPid());
    map += Line(name, page, flags);
    map += Line(name + QStringLiteral(".view"), page->view(), {});
    map += DescribeOverlays(name, page->view());
  }
  if (auto* status = frame_->findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly)) {
    map += Line(QStringLiteral("status"), status, {TextFlag(status->currentMessage())});
    map += DescribeNamedChildren(QStringLiteral("status"), status);
  }
  if (const QLabel* notice = frame_->fullScreen()->notice())
    map += Line(QStringLiteral("fullScreenNotice"), notice, {TextFlag(notice->text())});
  return map + DescribeDownloads() + DescribePrompt() + DescribePopups();
}

QString WidgetMapWriter::DescribePrompt() const {
  const PermissionPrompt* prompt = frame_->permissions()->prompt();
  if (!prompt) return QString();
  const QPushButton* allow = prompt->allowButton();
  return Line(QStringLiteral("prompt"), prompt,
              {QStringLiteral("feature=%1").arg(int(prompt->feature())), TextFlag(prompt->hostText())}) +
         Line(QStringLiteral("prompt.allow"), allow,
              allow->isEnabled() ? QStringList() : QStringList{QStringLiteral("disabled")});
}

QString WidgetMapWriter::DescribePopups() const {
  QString map;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (!widget->isVisible()) continue;
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
      QStringList items;
      for (const QAction* action : menu->actions())
        if (action->isVisible() && !action->isSeparator()) items << action->text();
      map += Line(QStringLiteral("menu"), menu, {TextFlag(items.join(QLatin1Char('\n')))});
    } else if (auto* tip = qobject_cast<QLabel*>(widget); tip && tip->windowType() == Qt::ToolTip) {
      map += Line(QStringLiteral("tooltip"), tip, {TextFlag(tip->text())});
    }
  }
  return map;
}

QString WidgetMapWriter::DescribeOverlays(const QString& page, const QWidget* view) const {
  QString map;
  for (const PageOverlay* overlay : view->findChildren<PageOverlay*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (!overlay->isVisible()) continue;
    const QString name = page + QLatin1Char('.') + overlay->objectName();
    map += Line(name, overlay, {TextFlag(overlay->report())});
    map += DescribeNamedChildren(name, overlay);
  }
  return map;
}

QString WidgetMapWriter::DescribeNamedChildren(const QString& prefix, const QWidget* parent) const {
  QString map;
  for (const QWidget* child : parent->findChildren<QWidget*>()) {
    if (child->objectName().isEmpty() || child->objectName().startsWith(QLatin1String("qt_")) || !child->isVisible())
      continue;
    map += Line(prefix + QLatin1Char('.') + child->objectName(), child, ControlFlags(child));
  }
  return map;
}

QString WidgetMapWriter::DescribeDownloads() const {
  DownloadsWindow* window = frame_->downloads()->window();
  if (!window) return QString();
  QString map = Line(QStringLiteral("downloads"), window, {});
  for (int i = 0; i < window->rows().size(); ++i) {
    const DownloadRow* row = window->rows()[i];
    const DownloadItem* item = row->item();
    const QString name = QStringLiteral("download.%1").arg(i);
    map += Line(name, row,
                {QLatin1String(StateWord(item->state())), QStringLiteral("received=%1").arg(item->receivedBytes()),
                 QStringLiteral("total=%1").arg(item->totalBytes()), TextFlag(item->path())});
    const QProgressBar* bar = row->progressBar();
    map += Line(name + QStringLiteral(".progress"), bar,
                {QStringLiteral("value=%1").arg(bar->value()), QStringLiteral("maximum=%1").arg(bar->maximum())});
    for (const QPushButton* button : {row->cancelButton(), row->openButton(), row->folderButton()})
      map += Line(name + QLatin1Char('.') + button->objectName(), button,
                  button->isEnabled() ? QStringList() : QStringList{QStringLiteral("disabled")});
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
