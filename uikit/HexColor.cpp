#include "uikit/HexColor.h"

#include <QTextBoundaryFinder>
#include <cmath>

namespace qn {

namespace {
bool isAlphanumeric(uint c) { return QChar::isLetterOrNumber(c) || QChar::isMark(c); }

bool isAsciiHexDigit(uint c) {
    return (c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'f') || (c >= U'A' && c <= U'F');
}

int hexDigitValue(uint c) {
    if (c >= U'0' && c <= U'9')
        return static_cast<int>(c - U'0');
    if (c >= U'a' && c <= U'f')
        return static_cast<int>(c - U'a') + 10;
    return static_cast<int>(c - U'A') + 10;
}

// Reads like a classic hexadecimal scanner: leading white space is skipped, an
// optional 0x/0X prefix is taken, then digits for as long as they follow. No
// digit at all leaves 0. Digits past 64 bits keep the value saturated.
quint64 scanHex(const QList<uint> &s) {
    qsizetype i = 0;
    while (i < s.size() && QChar::isSpace(s.at(i)))
        ++i;
    if (i + 1 < s.size() && s.at(i) == U'0' && (s.at(i + 1) == U'x' || s.at(i + 1) == U'X'))
        i += 2;
    quint64 value = 0;
    for (; i < s.size() && isAsciiHexDigit(s.at(i)); ++i) {
        if (value > (~quint64(0) >> 4))
            value = ~quint64(0);
        else
            value = (value << 4) | static_cast<quint64>(hexDigitValue(s.at(i)));
    }
    return value;
}

// Characters as a reader counts them: a letter with its combining marks is one.
qsizetype graphemeCount(const QString &text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}
} // namespace

QColor colorFromHex(const QString &text) {
    const QList<uint> points = text.toUcs4();
    qsizetype begin = 0;
    qsizetype end = points.size();
    while (begin < end && !isAlphanumeric(points.at(begin)))
        ++begin;
    while (end > begin && !isAlphanumeric(points.at(end - 1)))
        --end;
    const QList<uint> trimmedPoints = points.mid(begin, end - begin);
    const QString trimmed =
        QString::fromUcs4(reinterpret_cast<const char32_t *>(trimmedPoints.constData()), trimmedPoints.size());
    const quint64 v = scanHex(trimmedPoints);
    int a = 1, r = 1, g = 1, b = 0;
    switch (graphemeCount(trimmed)) {
    case 3:
        a = 255;
        r = static_cast<int>(((v >> 8) & 0xF) * 17);
        g = static_cast<int>(((v >> 4) & 0xF) * 17);
        b = static_cast<int>((v & 0xF) * 17);
        break;
    case 6:
        a = 255;
        r = static_cast<int>((v >> 16) & 0xFF);
        g = static_cast<int>((v >> 8) & 0xFF);
        b = static_cast<int>(v & 0xFF);
        break;
    case 8:
        a = static_cast<int>((v >> 24) & 0xFF);
        r = static_cast<int>((v >> 16) & 0xFF);
        g = static_cast<int>((v >> 8) & 0xFF);
        b = static_cast<int>(v & 0xFF);
        break;
    default: break;
    }
    return QColor(r, g, b, a);
}

QColor colorFromHex(const QString &text, double opacity) {
    QColor c = colorFromHex(text);
    c.setAlphaF(static_cast<float>(c.alphaF() * opacity));
    return c;
}

std::optional<QString> hexString(const QColor &color) {
    if (!color.isValid())
        return std::nullopt;
    const QColor rgb = color.toRgb();
    auto channel = [](float f) { return static_cast<int>(std::lround(f * 255.0f)); };
    return QString::asprintf("%02X%02X%02X", channel(rgb.redF()), channel(rgb.greenF()), channel(rgb.blueF()));
}

} // namespace qn
