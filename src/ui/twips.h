#pragma once
// The windows are designed in twips; on the screen 15 twips make one pixel.
#include <QRect>
#include <QSize>

namespace vel::ui {

inline constexpr int kTwipsPerPixel = 15;

constexpr int px(int twips) { return twips / kTwipsPerPixel; }
inline QSize pxSize(int widthTwips, int heightTwips) { return {px(widthTwips), px(heightTwips)}; }

}  // namespace vel::ui
