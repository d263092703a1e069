#pragma once
#include <QFont>
#include <QString>
#include <QWidget>

#include <optional>
#include <string>
#include <vector>

// The breadcrumb of the path bar (control 1020): the path labels joined into one fixed
// text, drawn in its own CJK font on light grey.
class CPathStatic : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kTextLeft = 76;
  static constexpr int kTextTop = 5;
  static constexpr int kFontPixels = 16;

  // The labels in order with " / " between two of them (GBK in, GBK out).
  static std::string JoinLabels(const std::vector<std::string>& gbkLabels);
  // The font the text is drawn in: 16 pixels high, "宋体" where it exists, otherwise a
  // CJK font the system has.
  static QFont PathFont();

  // The text is built here, once: later changes of the labels are not shown.
  explicit CPathStatic(const std::vector<std::string>& gbkLabels, QWidget* parent = nullptr);

  const QString& text() const { return text_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  // Chosen when the text is first drawn: finding a CJK face reads the whole font
  // database, and the bar starts hidden.
  std::optional<QFont> font_;
};
