#pragma once

#include <QRect>
#include <QSize>
#include <QVector>

// Window geometry of the frame and its dialogs, in pixels unless named twips.
namespace Geometry {

inline constexpr double kGoldenRatio = 1.6180339887498949;

// Twips per pixel for a logical DPI: 15 at 96 DPI.
double twipsPerPixel(double dpi);

// The frame's start rectangle: three quarters of the screen height, golden-ratio
// width (nearest whole twip, half to even), centred. Works in twips like the
// classic rule and returns pixels. 800x600 at 15 twips/px gives 728x450 at 36,75.
QRect frameRect(QSize screenPx, double px, double py);

// A dialog of outer size `dialog` placed over the frame's outer rectangle:
// centred, then 23 pixels up and 4 left (in twips, converted back to pixels).
QRect placeDialog(const QRect &frameOuter, QSize dialogOuter, double px, double py);

// Tile horizontally: windows stacked top to bottom, each as wide as the area.
QVector<QRect> tileHorizontal(const QRect &area, int count);
// Tile vertically: side by side, each as high as the area.
QVector<QRect> tileVertical(const QRect &area, int count);

} // namespace Geometry
