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

void FormEncoder::write(const QString &key, double value) {
    append(key, escape(QString::fromLatin1(formatDouble(value))));
}

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
        const bool plain = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' ||
                           b == '.' || b == '_' || b == '~' || b == '/' || b == '?';
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

namespace {
// Base64 of whole groups of three bytes joins up without padding in between.
constexpr qsizetype kSlice = 3 * 16 * 1024;

QByteArray escapeBase64(const QByteArray &base64) {
    QByteArray out;
    out.reserve(base64.size() + base64.size() / 16);
    for (const char c : base64) {
        if (c == '+')
            out.append("%2B", 3);
        else if (c == '=')
            out.append("%3D", 3);
        else
            out.append(c);
    }
    return out;
}
} // namespace

DataUrlField::DataUrlField(const QString &prefix, const QByteArray &data)
    : m_head(FormEncoder::escape(prefix)), m_data(data) {
    m_length = m_head.size();
    for (qsizetype offset = 0; offset < m_data.size(); offset += kSlice) {
        const QByteArray base64 =
            QByteArray::fromRawData(m_data.constData() + offset, std::min(kSlice, m_data.size() - offset)).toBase64();
        m_length += base64.size() + 2 * (base64.count('+') + base64.count('='));
    }
}

QByteArray DataUrlField::read(qint64 max) {
    while (m_pending.size() < max && (m_headDone < m_head.size() || m_dataDone < m_data.size())) {
        if (m_headDone < m_head.size()) {
            m_pending += m_head.mid(m_headDone);
            m_headDone = m_head.size();
            continue;
        }
        const qsizetype take = std::min<qsizetype>(kSlice, m_data.size() - m_dataDone);
        m_pending += escapeBase64(QByteArray::fromRawData(m_data.constData() + m_dataDone, take).toBase64());
        m_dataDone += take;
    }
    const QByteArray out = m_pending.left(max);
    m_pending.remove(0, out.size());
    return out;
}

StreamedForm formBody(CreateDraftRequestParams params, const DataUrlField &fileData) {
    // The field's place in the sorted body depends on its key alone ("file_data=",
    // which no other field shares); a placeholder value marks it. Searched for with
    // its key, as a value's own "=" is always escaped.
    static const QString marker = QStringLiteral("\u0001file\u0001");
    params.file_data = marker;
    const QByteArray body = formBody(params);
    const QByteArray unit = "file_data=" + FormEncoder::escape(marker);
    const qsizetype at = body.indexOf(unit) + qsizetype(sizeof "file_data=") - 1;
    StreamedForm form;
    form.before = body.left(at);
    form.field = fileData;
    form.after = body.mid(at + unit.size() - (qsizetype(sizeof "file_data=") - 1));
    return form;
}

} // namespace qn
