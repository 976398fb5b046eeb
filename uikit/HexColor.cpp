#include "uikit/HexColor.h"

#include <cmath>

namespace qn {

namespace {
bool isAlphanumeric(QChar c) { return c.isLetterOrNumber() || c.isMark(); }

quint64 scanHex(const QString &s) {
    int i = 0;
    while (i < s.size() && s.at(i).isSpace())
        ++i;
    if (i + 1 < s.size() && s.at(i) == QLatin1Char('0') &&
        (s.at(i + 1) == QLatin1Char('x') || s.at(i + 1) == QLatin1Char('X')))
        i += 2;
    quint64 value = 0;
    for (; i < s.size(); ++i) {
        const int digit = QStringView(s).mid(i, 1).toInt(nullptr, 16);
        const char16_t c = s.at(i).unicode();
        const bool isHex = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (!isHex)
            break;
        value = (value << 4) | static_cast<quint64>(digit);
    }
    return value;
}
} // namespace

QColor colorFromHex(const QString &text) {
    int begin = 0;
    int end = text.size();
    while (begin < end && !isAlphanumeric(text.at(begin)))
        ++begin;
    while (end > begin && !isAlphanumeric(text.at(end - 1)))
        --end;
    const QString trimmed = text.mid(begin, end - begin);
    const quint64 v = scanHex(trimmed);
    // Length counts user-perceived characters; for the texts this parser is given
    // (ASCII hex) that is the number of code points.
    const qsizetype length = trimmed.toUcs4().size();
    int a = 1, r = 1, g = 1, b = 0;
    switch (length) {
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
    default:
        break;
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
