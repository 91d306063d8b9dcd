#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// How bytes are shown: 33..125 as themselves, everything else as <XX> in
// upper-case hex. Display text is plain ASCII.
namespace DisplayText {

inline constexpr int kHistoryLimit = 2048;

// Display form of one byte: "A" or "<0D>".
QString byteForm(uchar c);
// Appends the display form of every byte.
void appendDisplay(QString &out, QByteArrayView bytes);
QString toDisplay(QByteArrayView bytes);
// The last `limit` characters of toDisplay(bytes), converting only the bytes
// that can reach them (a long chunk costs the same as its tail).
QString tailDisplay(QByteArrayView bytes, qsizetype limit);

// History rule: history + piece, cut to its last `limit` characters (the cut
// may fall inside a hex group).
void appendToHistory(QString &history, const QString &piece, int limit = kHistoryLimit);
// Tail display rule: what a box with room for `visible` characters shows.
QString boxTail(const QString &history, int visible);

} // namespace DisplayText
