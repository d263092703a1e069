#include "ui/CPathDialogBar.h"

#include "ui/CPathStatic.h"
#include "ui/ControlIds.h"
#include "ui/DialogUnits.h"

namespace {

QPushButton* AddButton(QWidget* bar, int id, const char* caption, const QRect& dialogUnits) {
  auto* button = new QPushButton(QString::fromUtf8(caption), bar);
  SetControlId(button, id);
  button->setGeometry(dialog_units::ToPixels(dialogUnits.x(), dialogUnits.y(), dialogUnits.width(), dialogUnits.height()));
  return button;
}

}  // namespace

CPathDialogBar::CPathDialogBar(const std::vector<std::string>& gbkPathLabels, QWidget* parent)
    : QWidget(parent), pathDisplay_(new CPathStatic(gbkPathLabels, this)) {
  // The display comes first so the buttons lie above it once it covers the whole bar.
  pathDisplay_->setGeometry(0, 0, 10, 10);
  AddButton(this, ids::IDC_BUTTON_PATH_BACK, "<", QRect(4, 2, 18, 14));
  AddButton(this, ids::IDC_BUTTON_PATH_FORWARD, ">", QRect(26, 2, 18, 14));
  resize(sizeHint());
}

QSize CPathDialogBar::sizeHint() const { return dialog_units::ToPixels(0, 0, 472, 18).size(); }

void CPathDialogBar::layoutControls(const QSize& hostSize) {
  pathDisplay_->setGeometry(QRect(pathDisplay_->pos(), QSize(hostSize.width() - 1, hostSize.height() - 1)));
}
