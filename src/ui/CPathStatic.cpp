#include "ui/CPathStatic.h"

#include <QFontDatabase>
#include <QPainter>

#include "ui/ControlIds.h"
#include "ui/GbkBoundary.h"

namespace {

const QColor kBackground(0xF0, 0xF0, 0xF0);
// The fill reaches far past the control so a widened control never shows an unpainted edge.
constexpr int kBackgroundWidth = 2048;

// Font families to try in order: the classic Song face under its Chinese and English
// names, then the CJK faces a Linux desktop ships.
QStringList PreferredFamilies() {
  QStringList families{QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei"),
                       QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans SC")};
  // Any installed face that covers Simplified Chinese, as the last resort.
  const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
  if (!chinese.isEmpty()) families << chinese.first();
  return families;
}

}  // namespace

std::string CPathStatic::JoinLabels(const std::vector<std::string>& gbkLabels) {
  std::string text;
  for (size_t i = 0; i < gbkLabels.size(); ++i) {
    if (i > 0) text += " / ";
    text += gbkLabels[i];
  }
  return text;
}

QFont CPathStatic::PathFont() {
  QFont font;
  font.setFamilies(PreferredFamilies());
  font.setPixelSize(kFontPixels);
  font.setWeight(QFont::Thin);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

CPathStatic::CPathStatic(const std::vector<std::string>& gbkLabels, QWidget* parent)
    : QWidget(parent), text_(gbk_boundary::FromGbk(JoinLabels(gbkLabels))) {
  SetControlId(this, ids::IDC_STATIC_PATH);
}

void CPathStatic::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect client = rect();
  painter.fillRect(QRect(client.topLeft(), QSize(kBackgroundWidth, client.height())), kBackground);
  painter.setPen(QPen(Qt::black, 1));
  if (!font_) font_ = PathFont();
  painter.setFont(*font_);
  const QRect textRect(QPoint(kTextLeft, kTextTop), client.size());
  painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text_);
}
