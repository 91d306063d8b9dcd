#include "ui/geometry.h"

#include <cmath>

namespace Geometry {

double twipsPerPixel(double dpi) {
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

QRect frameRect(QSize screenPx, double px, double py) {
    const double W = screenPx.width() * px;
    const double H = screenPx.height() * py;
    const double height = 3 * H / 4;
    // std::nearbyint rounds a half to the even neighbour in the default mode.
    const double width = std::nearbyint(kGoldenRatio * px * height / py);
    const double top = (H - height) / 2;
    const double left = (W - width) / 2;
    return QRect(qRound(left / px), qRound(top / py), qRound(width / px), qRound(height / py));
}

QRect placeDialog(const QRect &frameOuter, QSize dialogOuter, double px, double py) {
    const double fTop = frameOuter.top() * py, fLeft = frameOuter.left() * px;
    const double fHeight = frameOuter.height() * py, fWidth = frameOuter.width() * px;
    const double dHeight = dialogOuter.height() * py, dWidth = dialogOuter.width() * px;
    const double top = fTop + (fHeight - dHeight) / 2 - 23 * py;
    const double left = fLeft + (fWidth - dWidth) / 2 - 4 * px;
    return QRect(QPoint(qRound(left / px), qRound(top / py)), dialogOuter);
}

namespace {

// Splits `length` into `count` parts without gaps: part i spans
// [length*i/count, length*(i+1)/count).
int edge(int length, int i, int count) {
    return int(qint64(length) * i / count);
}

} // namespace

QVector<QRect> tileHorizontal(const QRect &area, int count) {
    QVector<QRect> out;
    if (count <= 0)
        return out;
    out.reserve(count);
    const int h = qMax(0, area.height());
    for (int i = 0; i < count; ++i) {
        const int top = area.top() + edge(h, i, count);
        const int bottom = area.top() + edge(h, i + 1, count);
        out.append(QRect(area.left(), top, area.width(), bottom - top));
    }
    return out;
}

QVector<QRect> tileVertical(const QRect &area, int count) {
    QVector<QRect> out;
    if (count <= 0)
        return out;
    out.reserve(count);
    const int w = qMax(0, area.width());
    for (int i = 0; i < count; ++i) {
        const int left = area.left() + edge(w, i, count);
        const int right = area.left() + edge(w, i + 1, count);
        out.append(QRect(left, area.top(), right - left, area.height()));
    }
    return out;
}

} // namespace Geometry
