#pragma once

#include <QLineF>
#include <QRectF>
#include <QtGlobal>

#include <array>

// The port window's resize layout as arithmetic on sizes in twips: the outer
// window size, twips per pixel and the width/height of "W" in the window font.
struct LayoutInput {
    double W = 0, H = 0;   // outer window size (frame included), twips
    double px = 15, py = 15; // twips per pixel
    double TW = 0, TH = 0; // "W" width and height in the window font, twips
};

struct PortWindowLayout {
    // Outer size after the minimum clamp (400 x 165 pixels).
    double W = 0, H = 0;
    bool widthClamped = false, heightClamped = false;

    QRectF Transmit, Receive, TransmitLabel, ReceivedLabel;
    std::array<QRectF, 8> TX, RX;
    QRectF cDTR, DTRIndicator, cRTS, RTSIndicator, DSR, DSRIndicator, CTS, CTSIndicator, CD,
        DCDIndicator;
    QLineF DivideLine;

    qint16 nRxVisible = 0, nTxVisible = 0; // characters each box can show
};

// Heights or capacity factors that would come out negative clamp at 0; a
// capacity past 32767 clamps to 32767.
PortWindowLayout computePortWindowLayout(const LayoutInput &in);
// columns x rows a box of this size in twips shows.
qint16 boxCapacity(double width, double height, double TW, double TH);
