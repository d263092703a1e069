#pragma once
#include <QVariant>
#include <QWidget>

// Control ids of the browser's bars. Each Qt control carries its id in the dynamic
// property "controlId", so code can find a control in a bar the way the classic dialog
// bars did by id (FindControl).
namespace ids {

constexpr int IDC_EXPLORER_GUANGGAO = 1013;
constexpr int IDC_EXPLORER_MESSAGE = 1015;
constexpr int IDC_STATIC_PATH = 1020;
constexpr int IDC_BUTTON_PATH_BACK = 1021;
constexpr int IDC_BUTTON_PATH_FORWARD = 1022;
constexpr int IDC_BUTTON_BROWSER = 1023;
constexpr int IDC_BUTTON_REMINDER = 1024;
constexpr int IDC_BUTTON_HELP = 1025;
constexpr int IDC_BUTTON_ABOUT = 1026;
constexpr int IDC_BUTTON_BACK = 1027;
constexpr int IDC_BUTTON_FORWARD = 1028;
constexpr int IDC_BUTTON_REFRESH = 1029;
constexpr int IDC_COMBO_ADDRESS = 1030;
constexpr int IDC_BUTTON_HOME = 1033;
constexpr int IDC_BUTTON_FAVORITES = 1034;
constexpr int IDC_BUTTON_ADD_FAVORITE = 1035;
constexpr int IDC_BUTTON_TILE = 1036;
constexpr int IDC_BUTTON_GO = 1037;
constexpr int IDC_BUTTON_CLOSE_PAGE = 1038;
constexpr int IDC_BUTTON_NAVIGATION = 1039;
constexpr int IDC_BUTTON_SAVE = 1045;
constexpr int IDC_BUTTON_OTHER = 1046;
constexpr int IDC_STATIC_BUSY = 1047;

}  // namespace ids

inline void SetControlId(QWidget* control, int id) { control->setProperty("controlId", id); }

inline int ControlId(const QWidget* control) { return control->property("controlId").toInt(); }

// The first child of `bar` (in creation order, any depth) that carries `id`, or null.
inline QWidget* FindControl(const QWidget* bar, int id) {
  for (QWidget* child : bar->findChildren<QWidget*>()) {
    if (child->property("controlId").isValid() && ControlId(child) == id) return child;
  }
  return nullptr;
}
