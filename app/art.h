#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

// The product's own pictures, drawn in code.
namespace Art {
QImage logo();              // 288 x 72, for the About box
QImage icon(int size);      // the program icon at size x size pixels
QIcon appIcon();            // 16 and 32 pixel icon
} // namespace Art
