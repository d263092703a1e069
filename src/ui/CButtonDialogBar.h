#pragma once
#include <QWidget>

// The bar of four text buttons (template 134): "浏览器" 1023, "提醒器" 1024, "帮助" 1025
// and "关于" 1026. Only the first does anything: it asks the frame to show or hide the
// address bar. The main frame creates this bar hidden.
class CButtonDialogBar : public QWidget {
  Q_OBJECT

 public:
  explicit CButtonDialogBar(QWidget* parent = nullptr);

  QSize sizeHint() const override;

 signals:
  void browserButtonClicked();
};
