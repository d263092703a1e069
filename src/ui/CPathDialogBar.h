#pragma once
#include <QPushButton>
#include <QWidget>

#include <string>
#include <vector>

class CPathStatic;

// The path bar (template 128): the breadcrumb display 1020 under the buttons "<" 1021
// and ">" 1022, which do nothing. The main frame creates it hidden.
class CPathDialogBar : public QWidget {
  Q_OBJECT

 public:
  explicit CPathDialogBar(const std::vector<std::string>& gbkPathLabels, QWidget* parent = nullptr);

  // Stretches the path display over the host of the bar, whose size is `hostSize`.
  void layoutControls(const QSize& hostSize);

  CPathStatic* pathDisplay() const { return pathDisplay_; }
  QSize sizeHint() const override;

 private:
  CPathStatic* pathDisplay_;
};
