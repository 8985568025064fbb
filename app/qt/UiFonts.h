#pragma once
// The window's fonts. "微软雅黑" (Microsoft YaHei) is not on every system, so each font names a
// list of families; fontconfig picks the first one present, and the CJK families make sure the
// Chinese texts render.
#include <QFont>
#include <QStringList>

namespace quorin {

inline QStringList YaHeiFamilies() {
  return {"Microsoft YaHei", QString::fromUtf8("微软雅黑"), "WenQuanYi Micro Hei",
          "Noto Sans CJK SC"};
}

// "微软雅黑" at `pixelSize` px.
inline QFont YaHeiFont(int pixelSize, bool bold = false) {
  QFont font;
  font.setFamilies(YaHeiFamilies());
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

// "MS Sans Serif" at `pixelSize` px, the windows' default font.
inline QFont SansSerifFont(int pixelSize) {
  QFont font;
  QStringList families{"MS Sans Serif", "Microsoft Sans Serif", "DejaVu Sans"};
  families += YaHeiFamilies();
  font.setFamilies(families);
  font.setPixelSize(pixelSize);
  return font;
}

}  // namespace quorin
