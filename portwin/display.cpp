#include "portwin/display.h"

namespace DisplayText {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool isPlain(uchar c) {
    return c >= 33 && c <= 125;
}

int formLength(uchar c) {
    return isPlain(c) ? 1 : 4;
}

void appendForm(QString &out, uchar c) {
    if (isPlain(c)) {
        out += QLatin1Char(char(c));
        return;
    }
    const char group[4] = {'<', kHex[c >> 4], kHex[c & 0x0F], '>'};
    out += QLatin1String(group, 4);
}

} // namespace

QString byteForm(uchar c) {
    QString s;
    appendForm(s, c);
    return s;
}

void appendDisplay(QString &out, QByteArrayView bytes) {
    for (char ch : bytes)
        appendForm(out, uchar(ch));
}

QString toDisplay(QByteArrayView bytes) {
    QString s;
    s.reserve(bytes.size() * 4);
    appendDisplay(s, bytes);
    return s;
}

QString tailDisplay(QByteArrayView bytes, qsizetype limit) {
    if (limit <= 0 || bytes.isEmpty())
        return QString();
    // Walk back until the bytes seen so far give at least `limit` characters;
    // nothing before them can show up in the tail.
    qsizetype start = bytes.size();
    qsizetype chars = 0;
    while (start > 0 && chars < limit) {
        --start;
        chars += formLength(uchar(bytes[start]));
    }
    QString s;
    s.reserve(chars);
    appendDisplay(s, bytes.sliced(start));
    if (s.size() > limit)
        s.remove(0, s.size() - limit);
    return s;
}

void appendToHistory(QString &history, const QString &piece, int limit) {
    if (limit <= 0) {
        history.clear();
        return;
    }
    if (piece.size() >= limit) {
        history = piece.right(limit);
        return;
    }
    const qsizetype excess = history.size() + piece.size() - limit;
    if (excess > 0)
        history.remove(0, excess);
    history += piece;
}

QString boxTail(const QString &history, int visible) {
    if (visible <= 0)
        return QString();
    if (history.size() > visible)
        return history.right(visible);
    return history;
}

} // namespace DisplayText
