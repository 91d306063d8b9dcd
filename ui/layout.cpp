#include "ui/layout.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kCellLeft = 2880, kCellStep = 120, kCellWidth = 135, kCellHeight = 255;
constexpr double kLabelHeight = 255, kIndicatorHeight = 135;
constexpr double kDivideX = 2845;

double nonNegative(double v) {
    return v > 0 ? v : 0;
}

// Whole-number part with negatives and NaN clamped at 0.
double wholePart(double v) {
    return v > 0 ? std::trunc(v) : 0;
}

// The label of a line-status group at (left, T) with its indicator on top of it.
void placeGroup(QRectF &label, double labelWidth, QRectF &indicator, double indicatorWidth,
                double left, double T) {
    label = QRectF(left, T, labelWidth, kLabelHeight);
    indicator = QRectF(left, T - kIndicatorHeight, indicatorWidth, kIndicatorHeight);
}

} // namespace

qint16 boxCapacity(double width, double height, double TW, double TH) {
    if (!(TW > 0) || !(TH > 0))
        return 0;
    const double columns = wholePart(width / TW - 0.7);
    const double rows = wholePart(height / TH - 0.33);
    const double capacity = columns * rows;
    return qint16(std::min(capacity, 32767.0));
}

PortWindowLayout computePortWindowLayout(const LayoutInput &in) {
    PortWindowLayout l;
    l.W = in.W;
    l.H = in.H;
    if (l.W < 400 * in.px) {
        l.W = 400 * in.px;
        l.widthClamped = true;
    }
    if (l.H < 165 * in.py) {
        l.H = 165 * in.py;
        l.heightClamped = true;
    }
    // Title bar plus frame, and the two side borders, in whole twips (a half
    // goes to the even neighbour, as an integer conversion would round it).
    const double a = std::nearbyint(27 * in.py);
    const double b = std::nearbyint(8 * in.px);
    const double TH = in.TH;
    const double boxWidth = nonNegative(l.W - b);

    const double txTop = TH + TH / 2;
    const double boxHeight = nonNegative(((l.H - a) / 2 - txTop) - 1.5 * TH);
    l.Transmit = QRectF(0, txTop, boxWidth, boxHeight);
    l.TransmitLabel = QRectF(0, TH / 2, 2295, kLabelHeight);

    const double rxTop = ((l.H - a) - boxHeight) - 2.5 * TH;
    l.Receive = QRectF(0, rxTop, boxWidth, boxHeight);
    l.ReceivedLabel = QRectF(0, rxTop - TH, 1935, kLabelHeight);

    for (int k = 0; k < 8; ++k) {
        const double left = kCellLeft + kCellStep * k;
        l.TX[k] = QRectF(left, l.TransmitLabel.top(), kCellWidth, kCellHeight);
        l.RX[k] = QRectF(left, l.ReceivedLabel.top(), kCellWidth, kCellHeight);
    }

    const double T = l.Receive.top() + l.Receive.height() + TH;
    placeGroup(l.cDTR, 495, l.DTRIndicator, 345, 500, T);
    placeGroup(l.cRTS, 495, l.RTSIndicator, 350, 1250, T);
    l.DivideLine = QLineF(kDivideX, T - kIndicatorHeight, kDivideX, T + TH);
    placeGroup(l.DSR, 495, l.DSRIndicator, 345, kDivideX + 500, T);
    placeGroup(l.CTS, 495, l.CTSIndicator, 345, l.DSR.left() + 750, T);
    placeGroup(l.CD, 375, l.DCDIndicator, 345, l.CTS.left() + 750, T);

    l.nRxVisible = boxCapacity(l.Receive.width(), l.Receive.height(), in.TW, in.TH);
    l.nTxVisible = boxCapacity(l.Transmit.width(), l.Transmit.height(), in.TW, in.TH);
    return l;
}
