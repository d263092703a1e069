#pragma once
#include <QRect>
#include <QWidget>
#include <string>

class QComboBox;

// The address bar: back, forward, refresh, the address box, go, home, favorites, add
// favorite, save, "网址导航", "其他功能", the busy indicator's slot and, flush right,
// tile and close page. Controls sit where the bar's dialog template puts them and
// carry their control ids; every button click comes out as commandIssued(id).
//
// The address box lists addresses newest first. Each entry keeps the GBK bytes it was
// made from, so entries are compared byte for byte, never through their display text.
class CBrowserDialogbar : public QWidget {
  Q_OBJECT

 public:
  // Where the three right-hand controls go in a bar `barWidth` wide, given their
  // current rectangles: close page 5 pixels from the right edge, tile 5 pixels left of
  // it, and the busy slot ending 5 pixels left of tile, half as wide and as high as it.
  struct RightEdge {
    QRect closePage, tile, busy;
  };
  static RightEdge FlushRight(int barWidth, const QRect& closePage, const QRect& tile);

  // An icon button of the template: control id, object name, picture, x in dialog
  // units, tooltip (UTF-8).
  struct IconButton {
    int id;
    const char* name;
    const char* picture;
    int x;
    const char* tip;
  };

  explicit CBrowserDialogbar(QWidget* parent = nullptr);

  QComboBox* addressBox() const { return addressBox_; }
  // Index of the entry whose bytes equal `address`, or -1.
  int findAddress(const std::string& address) const;
  // Inserts `address` as entry 0 and selects it.
  void insertAddressAtTop(const std::string& address);
  void selectAddress(int index);
  std::string addressAt(int index) const;
  // What the box's edit field holds now, as GBK.
  std::string addressText() const;
  // Puts `address` into the edit field, selecting its entry when there is one, and
  // inserting none when there is not.
  void showAddressText(const std::string& address);
  // Back and forward are enabled only where there is somewhere to go.
  void enableHistoryButtons(bool back, bool forward);

  // Moves the flush-right controls for the bar's current width.
  void layoutControls();

 signals:
  void commandIssued(int controlId);
  // The user picked entry `index` from the drop-down list.
  void addressChosen(int index);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void createControls();
  QWidget* addIconButton(const IconButton& spec);
  QWidget* addTextButton(int id, const char* name, int x, int width, const QString& caption, const QString& tip);
  void addBusySlot();

  QComboBox* addressBox_ = nullptr;
};
