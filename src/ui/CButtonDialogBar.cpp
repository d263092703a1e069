#include "ui/CButtonDialogBar.h"

#include <QPushButton>

#include "ui/ControlIds.h"
#include "ui/DialogUnits.h"

namespace {

struct ButtonTemplate {
  int id;
  const char* caption;  // UTF-8
  int x;
};

constexpr ButtonTemplate kButtons[] = {
    {ids::IDC_BUTTON_BROWSER, "浏览器", 4},
    {ids::IDC_BUTTON_REMINDER, "提醒器", 59},
    {ids::IDC_BUTTON_HELP, "帮助", 115},
    {ids::IDC_BUTTON_ABOUT, "关于", 169},
};

}  // namespace

CButtonDialogBar::CButtonDialogBar(QWidget* parent) : QWidget(parent) {
  for (const ButtonTemplate& entry : kButtons) {
    auto* button = new QPushButton(QString::fromUtf8(entry.caption), this);
    SetControlId(button, entry.id);
    button->setGeometry(dialog_units::ToPixels(entry.x, 2, 50, 14));
    if (entry.id == ids::IDC_BUTTON_BROWSER) {
      connect(button, &QPushButton::clicked, this, &CButtonDialogBar::browserButtonClicked);
    }
  }
  resize(sizeHint());
}

QSize CButtonDialogBar::sizeHint() const { return dialog_units::ToPixels(0, 0, 554, 18).size(); }
