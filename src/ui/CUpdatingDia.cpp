#include "ui/CUpdatingDia.h"

#include <QLabel>

#include "app/GbkText.h"
#include "ui/ControlIds.h"
#include "ui/DialogUnits.h"
#include "ui/GbkBoundary.h"

CUpdatingDia::CUpdatingDia(QWidget* parent) : QDialog(parent) {
  setWindowTitle(gbk_boundary::FromGbk(gbk::kProductName));
  // No buttons: the window only waits for install mode to close it.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(dialog_units::ToPixelsX(186), dialog_units::ToPixelsY(94));
  auto* text = new QLabel(gbk_boundary::FromGbk(gbk::kInstalling), this);
  text->setGeometry(dialog_units::ToPixels(47, 40, 90, 11));
}
