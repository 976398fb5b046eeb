#include "cloud/FormEncoder.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace qn {

QString FormEncoder::fullKey(const QString &key) const {
    return m_prefix.isEmpty() ? key : m_prefix + QLatin1Char('[') + key + QLatin1Char(']');
}

void FormEncoder::append(const QString &key, const QByteArray &rawValue) {
    m_units.append(escape(fullKey(key)) + '=' + rawValue);
}

void FormEncoder::write(const QString &key, const QString &value) { append(key, escape(value)); }

void FormEncoder::write(const QString &key, qint64 value) { append(key, QByteArray::number(value)); }

void FormEncoder::write(const QString &key, bool value) { append(key, value ? "1" : "0"); }

void FormEncoder::write(const QString &key, double value) { append(key, escape(QString::fromLatin1(formatDouble(value)))); }

void FormEncoder::writeList(const QString &key, const QList<QString> &values) {
    for (const QString &value : values)
        m_units.append(escape(fullKey(key) + QStringLiteral("[]")) + '=' + escape(value));
}

QByteArray FormEncoder::body() const {
    QList<QByteArray> units = m_units;
    // QByteArray compares as unsigned bytes, which is the order the service expects.
    std::sort(units.begin(), units.end());
    return units.join('&');
}

QByteArray FormEncoder::escape(const QString &text) {
    static const char hex[] = "0123456789ABCDEF";
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        const bool plain = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
                           b == '-' || b == '.' || b == '_' || b == '~' || b == '/' || b == '?';
        if (plain) {
            out.append(c);
        } else {
            out.append('%');
            out.append(hex[b >> 4]);
            out.append(hex[b & 0xF]);
        }
    }
    return out;
}

QByteArray FormEncoder::formatDouble(double value) {
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    char buffer[64];
    const double magnitude = std::fabs(value);
    const bool exponent = magnitude != 0.0 && (magnitude < 1e-4 || magnitude > 9007199254740992.0);
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      exponent ? std::chars_format::scientific : std::chars_format::fixed);
    QByteArray text(buffer, static_cast<qsizetype>(result.ptr - buffer));
    if (!exponent && !text.contains('.'))
        text.append(".0");
    return text;
}

QByteArray formBody(const MagicLinkSecondRequestParams &params) {
    FormEncoder form;
    form.write(QStringLiteral("id"), params.id);
    form.write(QStringLiteral("seed"), params.seed);
    return form.body();
}

QByteArray formBody(const AuthRequestParams &params) {
    FormEncoder form;
    form.write(QStringLiteral("authid"), params.authid);
    return form.body();
}

QByteArray formBody(const CreateTaskRequestParams &params) {
    FormEncoder form;
    form.write(QStringLiteral("authid"), params.authid);
    form.write(QStringLiteral("name"), params.name);
    form.writeIfPresent(QStringLiteral("folderid"), params.folderid);
    form.writeIfPresent(QStringLiteral("projectid"), params.projectid);
    form.writeIfPresent(QStringLiteral("assigned_id"), params.assigned_id);
    form.write(QStringLiteral("description"), params.description);
    form.write(QStringLiteral("fastLoad"), params.fastLoad);
    return form.body();
}

QByteArray formBody(const CreateDraftRequestParams &params) {
    FormEncoder form;
    form.write(QStringLiteral("authid"), params.authid);
    form.writeIfPresent(QStringLiteral("width"), params.width);
    form.writeIfPresent(QStringLiteral("height"), params.height);
    form.writeIfPresent(QStringLiteral("templateid"), params.templateid);
    form.writeIfPresent(QStringLiteral("projectid"), params.projectid);
    form.write(QStringLiteral("fileName"), params.fileName);
    form.write(QStringLiteral("file_data"), params.file_data);
    form.writeRecordList<UploadPoint>(QStringLiteral("points"), params.points,
                                      [](FormEncoder &element, const UploadPoint &point) {
                                          element.write(QStringLiteral("comment"), point.comment);
                                          element.write(QStringLiteral("position"), point.position);
                                          element.writeIfPresent(QStringLiteral("order"), point.order);
                                          element.write(QStringLiteral("color"), point.color);
                                          element.write(QStringLiteral("width"), point.width);
                                          element.write(QStringLiteral("height"), point.height);
                                          element.write(QStringLiteral("left"), point.left);
                                          element.write(QStringLiteral("top"), point.top);
                                          element.writeList(QStringLiteral("arrows"), point.arrows);
                                      });
    return form.body();
}

} // namespace qn
