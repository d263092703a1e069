#include "ui/CBrowserDialogbar.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "app/GbkText.h"
#include "ui/CBusyStatic.h"
#include "ui/ControlIds.h"
#include "ui/DialogUnits.h"
#include "ui/GbkBoundary.h"
#include "ui/ProgramPictures.h"

namespace {

// Template 140: 696 × 18 dialog units; icon buttons 17 × 14 at y 2.
constexpr int kBarWidthUnits = 696;
constexpr int kBarHeightUnits = 18;
constexpr int kButtonTop = 2, kButtonWidth = 17, kButtonHeight = 14;
constexpr int kRightMargin = 5;
const int kAddressRole = Qt::UserRole;

// The icon buttons in the order of the template; x in dialog units.
const CBrowserDialogbar::IconButton kButtons[] = {
    {ids::IDC_BUTTON_BACK, "back", "back", 3, "后退 (Alt+Left)"},
    {ids::IDC_BUTTON_FORWARD, "forward", "forward", 24, "前进 (Alt+Right)"},
    {ids::IDC_BUTTON_REFRESH, "refresh", "refresh", 45, "刷新 (F5)"},
    {ids::IDC_BUTTON_GO, "go", "go", 273, "转到：在新的页面窗口中打开地址"},
    {ids::IDC_BUTTON_HOME, "home", "home", 297, "主页"},
    {ids::IDC_BUTTON_FAVORITES, "favorites", "favorites", 318, "收藏夹"},
    {ids::IDC_BUTTON_ADD_FAVORITE, "addFavorite", "add-favorite", 339, "添加到收藏夹"},
    {ids::IDC_BUTTON_SAVE, "save", "save", 360, "保存网页"},
    {ids::IDC_BUTTON_TILE, "tile", "tile", 483, "平铺页面窗口"},
    {ids::IDC_BUTTON_CLOSE_PAGE, "closePage", "close-page", 504, "关闭页面 (Ctrl+W)"},
};

}  // namespace

CBrowserDialogbar::RightEdge CBrowserDialogbar::FlushRight(int barWidth, const QRect& closePage, const QRect& tile) {
  RightEdge edge;
  edge.closePage = closePage;
  edge.closePage.moveLeft(barWidth - closePage.width() - kRightMargin);
  const int w = tile.width();
  edge.tile = tile;
  edge.tile.moveLeft(barWidth - 2 * w - 2 * kRightMargin);
  edge.busy = QRect(barWidth - 2 * w - w / 2 - 14, tile.top(), w / 2 - 1, tile.height() - 1);
  return edge;
}

CBrowserDialogbar::CBrowserDialogbar(QWidget* parent) : QWidget(parent) {
  setMinimumHeight(dialog_units::ToPixelsY(kBarHeightUnits));
  resize(dialog_units::ToPixelsX(kBarWidthUnits), dialog_units::ToPixelsY(kBarHeightUnits));
  createControls();
}

void CBrowserDialogbar::createControls() {
  // The busy indicator comes before the template's controls, so a lookup of its id
  // finds it rather than the template's placeholder.
  auto* busy = new CBusyStatic(this);
  busy->setObjectName(QStringLiteral("busy"));
  busy->setGeometry(0, 0, 8, 8);
  SetControlId(busy, ids::IDC_STATIC_BUSY);

  for (size_t i = 0; i < 3; ++i) addIconButton(kButtons[i]);  // back, forward, refresh

  addressBox_ = new QComboBox(this);
  addressBox_->setObjectName(QStringLiteral("address"));
  addressBox_->setEditable(true);
  // Entries are inserted by the frame's navigation, never by the box on Enter.
  addressBox_->setInsertPolicy(QComboBox::NoInsert);
  // What is typed stays as typed: no entry is completed into the edit field.
  addressBox_->setCompleter(nullptr);
  addressBox_->setToolTip(QString::fromUtf8("地址：输入网址后按回车键 (Ctrl+L)"));
  addressBox_->setGeometry(dialog_units::ToPixels(69, 3, 201, kButtonHeight - 1));
  SetControlId(addressBox_, ids::IDC_COMBO_ADDRESS);
  connect(addressBox_, qOverload<int>(&QComboBox::activated), this, &CBrowserDialogbar::addressChosen);
  // The box would pick the entry equal to its text when its edit field loses the focus
  // and report it as chosen, so that leaving the box loaded an address. Only a pick
  // from the list, or Enter, goes anywhere.
  QObject::disconnect(addressBox_->lineEdit(), &QLineEdit::editingFinished, addressBox_, nullptr);

  for (size_t i = 3; i < 8; ++i) addIconButton(kButtons[i]);  // go to save
  addTextButton(ids::IDC_BUTTON_NAVIGATION, "navigation", 383, 40, gbk_boundary::FromGbk(gbk::kPortalNavigation),
                QString::fromUtf8("网址导航：打开门户网站的网址导航页"));
  addTextButton(ids::IDC_BUTTON_OTHER, "other", 426, 40, gbk_boundary::FromGbk(gbk::kOtherFunctions),
                QString::fromUtf8("其他功能：设置主页，查看和清除浏览历史"));
  addBusySlot();
  addIconButton(kButtons[8]);  // tile
  addIconButton(kButtons[9]);  // close page
}

QWidget* CBrowserDialogbar::addIconButton(const IconButton& spec) {
  auto* button = new QPushButton(this);
  button->setObjectName(QLatin1String(spec.name));
  button->setIcon(ProgramPictures::ButtonIcon(QLatin1String(spec.picture)));
  button->setIconSize(QSize(ProgramPictures::kButtonIconPixels, ProgramPictures::kButtonIconPixels));
  button->setToolTip(QString::fromUtf8(spec.tip));
  button->setFocusPolicy(Qt::NoFocus);
  button->setGeometry(dialog_units::ToPixels(spec.x, kButtonTop, kButtonWidth, kButtonHeight));
  SetControlId(button, spec.id);
  connect(button, &QPushButton::clicked, this, [this, id = spec.id] { emit commandIssued(id); });
  return button;
}

QWidget* CBrowserDialogbar::addTextButton(int id, const char* name, int x, int width, const QString& caption,
                                          const QString& tip) {
  auto* button = new QPushButton(caption, this);
  button->setObjectName(QLatin1String(name));
  button->setToolTip(tip);
  button->setFocusPolicy(Qt::NoFocus);
  button->setGeometry(dialog_units::ToPixels(x, kButtonTop, width, kButtonHeight));
  SetControlId(button, id);
  connect(button, &QPushButton::clicked, this, [this, id] { emit commandIssued(id); });
  return button;
}

void CBrowserDialogbar::addBusySlot() {
  // Only holds the id and the place; the busy indicator itself, created before it,
  // is what a lookup of the id finds.
  auto* slot = new QWidget(this);
  slot->setGeometry(dialog_units::ToPixels(469, kButtonTop, 11, kButtonHeight));
  SetControlId(slot, ids::IDC_STATIC_BUSY);
  slot->hide();
}

int CBrowserDialogbar::findAddress(const std::string& address) const {
  const QByteArray wanted(address.data(), static_cast<int>(address.size()));
  for (int i = 0; i < addressBox_->count(); ++i)
    if (addressBox_->itemData(i, kAddressRole).toByteArray() == wanted) return i;
  return -1;
}

void CBrowserDialogbar::insertAddressAtTop(const std::string& address) {
  addressBox_->insertItem(0, gbk_boundary::FromGbk(address),
                          QByteArray(address.data(), static_cast<int>(address.size())));
  selectAddress(0);
}

void CBrowserDialogbar::selectAddress(int index) {
  const QSignalBlocker quiet(addressBox_);
  addressBox_->setCurrentIndex(index);
}

std::string CBrowserDialogbar::addressAt(int index) const {
  return addressBox_->itemData(index, kAddressRole).toByteArray().toStdString();
}

std::string CBrowserDialogbar::addressText() const {
  const int index = addressBox_->currentIndex();
  // An unedited selected entry gives back its own bytes, not a re-encoding of its text.
  if (index >= 0 && addressBox_->currentText() == addressBox_->itemText(index)) return addressAt(index);
  return gbk_boundary::AddressToGbk(addressBox_->currentText());
}

void CBrowserDialogbar::showAddressText(const std::string& address) {
  const int index = findAddress(address);
  if (index >= 0) {
    selectAddress(index);
    return;
  }
  const QSignalBlocker quiet(addressBox_);
  addressBox_->setEditText(gbk_boundary::FromGbk(address));
}

void CBrowserDialogbar::enableHistoryButtons(bool back, bool forward) {
  FindControl(this, ids::IDC_BUTTON_BACK)->setEnabled(back);
  FindControl(this, ids::IDC_BUTTON_FORWARD)->setEnabled(forward);
}

void CBrowserDialogbar::layoutControls() {
  QWidget* closePage = FindControl(this, ids::IDC_BUTTON_CLOSE_PAGE);
  QWidget* tile = FindControl(this, ids::IDC_BUTTON_TILE);
  if (!closePage || !tile) return;
  const RightEdge edge = FlushRight(width(), closePage->geometry(), tile->geometry());
  closePage->setGeometry(edge.closePage);
  tile->setGeometry(edge.tile);
  if (QWidget* busy = FindControl(this, ids::IDC_STATIC_BUSY)) busy->setGeometry(edge.busy);
}

void CBrowserDialogbar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutControls();
}
