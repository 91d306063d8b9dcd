#pragma once

#include <QGuiApplication>
#include <QRect>
#include <QScreen>

#include <cmath>

// Twips (1/1440 inch) and pixels, from the screen's logical DPI: 15 twips per
// pixel at 96 DPI, also under a Qt scale factor.
namespace Twips {

inline double perPixelX() {
    const QScreen *s = QGuiApplication::primaryScreen();
    return 1440.0 / (s ? s->logicalDotsPerInchX() : 96.0);
}
inline double perPixelY() {
    const QScreen *s = QGuiApplication::primaryScreen();
    return 1440.0 / (s ? s->logicalDotsPerInchY() : 96.0);
}
inline int toPxX(double twips) { return int(std::lround(twips / perPixelX())); }
inline int toPxY(double twips) { return int(std::lround(twips / perPixelY())); }
// A design rectangle (left, top, width, height in twips) in pixels.
inline QRect rect(double l, double t, double w, double h) {
    return QRect(toPxX(l), toPxY(t), toPxX(w), toPxY(h));
}

} // namespace Twips
