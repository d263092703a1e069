#pragma once
#include <QObject>
#include <QString>

class CMainFrame;
class QTimer;
class QWidget;

// Reports where the main window's controls and page windows are on the screen, for tools
// that drive the browser with real input (the window tests). Only active when the
// environment variable VARNOK_WIDGET_MAP names a file; the file is then rewritten,
// atomically, whenever the picture changes. One line per widget:
// "name x y width height flag...", names as the widgets' object names, page windows as
// "page.N" and "page.N.view" in creation order, a page window's flags including the
// encoded address of its page ("url=...") and its title as a text flag; the status bar
// as "status" with its line, the downloads window as "downloads" and each of its rows as
// "download.N" with ".progress", ".cancel", ".open" and ".folder". Controls carry
// "disabled", "focus" and the text of an edit field ("text=..."); page windows their zoom
// ("zoom=125") and the process that draws the page ("renderer=PID"); overlays over a page
// are "page.N.<name>"; a permission prompt in sight is "prompt" with the feature it asks
// about (feature=, the engine's number) and the host it shows, its allow button
// "prompt.allow"; the full-screen notice "fullScreenNotice" with its text; an open
// context menu "menu" with its items, a tooltip on the screen "tooltip" with its text.
class WidgetMapWriter : public QObject {
  Q_OBJECT

 public:
  // Starts reporting for `frame` when the variable is set; otherwise does nothing.
  static void AttachIfRequested(CMainFrame* frame);

 private:
  WidgetMapWriter(CMainFrame* frame, const QString& path);
  QString Describe() const;
  QString DescribeDownloads() const;
  QString DescribePrompt() const;
  QString DescribePopups() const;
  // The overlays shown over a page (notices, the find bar, the zoom level) with their
  // named controls, as "page.N.<overlay>" and "page.N.<overlay>.<control>".
  QString DescribeOverlays(const QString& page, const QWidget* view) const;
  QString DescribeNamedChildren(const QString& prefix, const QWidget* parent) const;
  void WriteIfChanged();

  CMainFrame* frame_;
  QString path_;
  QString written_;
};
