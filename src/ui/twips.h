#pragma once
// The windows are designed in twips; on the screen 15 twips make one pixel.
#include <QRect>
#include <QSize>

namespace vel::ui {

inline constexpr int kTwipsPerPixel = 15;

constexpr int px(int twips) { return twips / kTwipsPerPixel; }
inline QSize pxSize(int widthTwips, int heightTwips) { return {px(widthTwips), px(heightTwips)}; }
inline QRect pxRect(int left, int top, int width, int height) {
    return {px(left), px(top), px(width), px(height)};
}

}  // namespace vel::ui
