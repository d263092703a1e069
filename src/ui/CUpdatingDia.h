#pragma once
#include <QDialog>

// The small window install mode shows while it copies the new program into place:
// the product name as caption, one line of text, no buttons.
class CUpdatingDia : public QDialog {
  Q_OBJECT

 public:
  explicit CUpdatingDia(QWidget* parent = nullptr);
};
