#include "ui/CBrowserDialogbar.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include "app/GbkText.h"
#include "ui/CBusyStatic.h"
#include "ui/ControlIds.h"
#include "ui/DialogUnits.h"
#include "ui/GbkBoundary.h"

namespace {

// Template 140: 696 × 18 dialog units; icon buttons 17 × 14 at y 2.
constexpr int kBarWidthUnits = 696;
constexpr int kBarHeightUnits = 18;
constexpr int kButtonTop = 2, kButtonWidth = 17, kButtonHeight = 14;
constexpr int kRightMargin = 5;
const int kAddressRole = Qt::UserRole;

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

  addIconButton(ids::IDC_BUTTON_BACK, "back", 3, QStyle::SP_ArrowBack, tr("Back"));
  addIconButton(ids::IDC_BUTTON_FORWARD, "forward", 24, QStyle::SP_ArrowForward, tr("Forward"));
  addIconButton(ids::IDC_BUTTON_REFRESH, "refresh", 45, QStyle::SP_BrowserReload, tr("Refresh"));

  addressBox_ = new QComboBox(this);
  addressBox_->setObjectName(QStringLiteral("address"));
  addressBox_->setEditable(true);
  // Entries are inserted by the frame's navigation, never by the box on Enter.
  addressBox_->setInsertPolicy(QComboBox::NoInsert);
  // What is typed stays as typed: no entry is completed into the edit field.
  addressBox_->setCompleter(nullptr);
  addressBox_->setGeometry(dialog_units::ToPixels(69, 3, 201, kButtonHeight - 1));
  SetControlId(addressBox_, ids::IDC_COMBO_ADDRESS);
  connect(addressBox_, qOverload<int>(&QComboBox::activated), this, &CBrowserDialogbar::addressChosen);

  addIconButton(ids::IDC_BUTTON_GO, "go", 273, QStyle::SP_MediaPlay, tr("Go"));
  addIconButton(ids::IDC_BUTTON_HOME, "home", 297, QStyle::SP_DirHomeIcon, tr("Home"));
  addIconButton(ids::IDC_BUTTON_FAVORITES, "favorites", 318, QStyle::SP_DirOpenIcon, gbk_boundary::FromGbk(gbk::kFavorites));
  addIconButton(ids::IDC_BUTTON_ADD_FAVORITE, "addFavorite", 339, QStyle::SP_FileDialogNewFolder, tr("Add to favorites"));
  addIconButton(ids::IDC_BUTTON_SAVE, "save", 360, QStyle::SP_DialogSaveButton, QString::fromUtf8("保存"));
  addTextButton(ids::IDC_BUTTON_NAVIGATION, "navigation", 383, 40, gbk_boundary::FromGbk(gbk::kPortalNavigation));
  addTextButton(ids::IDC_BUTTON_OTHER, "other", 426, 40, gbk_boundary::FromGbk(gbk::kOtherFunctions));
  addBusySlot();
  addIconButton(ids::IDC_BUTTON_TILE, "tile", 483, QStyle::SP_TitleBarNormalButton, tr("Tile"));
  addIconButton(ids::IDC_BUTTON_CLOSE_PAGE, "closePage", 504, QStyle::SP_TitleBarCloseButton, tr("Close page"));
}

QWidget* CBrowserDialogbar::addIconButton(int id, const char* name, int x, int iconKind, const QString& tip) {
  auto* button = new QPushButton(this);
  button->setObjectName(QLatin1String(name));
  button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(iconKind)));
  button->setToolTip(tip);
  button->setFocusPolicy(Qt::NoFocus);
  button->setGeometry(dialog_units::ToPixels(x, kButtonTop, kButtonWidth, kButtonHeight));
  SetControlId(button, id);
  connect(button, &QPushButton::clicked, this, [this, id] { emit commandIssued(id); });
  return button;
}

QWidget* CBrowserDialogbar::addTextButton(int id, const char* name, int x, int width, const QString& caption) {
  auto* button = new QPushButton(caption, this);
  button->setObjectName(QLatin1String(name));
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
  return gbk_boundary::ToGbk(addressBox_->currentText());
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
