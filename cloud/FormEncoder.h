#pragma once
#include "app/state/CloudRecords.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace qn {

// Writes request records as the service reads form bodies: each field becomes
// "key=value" pairs (keys and values percent-escaped), list elements go under
// "key[]", fields of records inside a list under "key[][field]". The pairs of one
// list element form one unit; the units and the top-level pairs are sorted by their
// written bytes and joined with "&". An empty list writes nothing.
class FormEncoder {
public:
    FormEncoder() = default;

    void write(const QString &key, const QString &value);
    void write(const QString &key, qint64 value);
    void write(const QString &key, bool value);
    void write(const QString &key, double value);
    void write(const QString &key, int value) { write(key, static_cast<qint64>(value)); }
    void write(const QString &key, const char *value) = delete; // would pick the bool overload
    // Absent values write no key at all.
    template <typename T>
    void writeIfPresent(const QString &key, const std::optional<T> &value) {
        if (value)
            write(key, *value);
    }
    void writeList(const QString &key, const QList<QString> &values);
    template <typename Record>
    void writeRecordList(const QString &key, const QList<Record> &records,
                         const std::function<void(FormEncoder &, const Record &)> &writeRecord) {
        for (const Record &record : records) {
            FormEncoder element(fullKey(key) + QStringLiteral("[]"));
            writeRecord(element, record);
            m_units.append(element.body());
        }
    }

    // The body as sent (UTF-8, sorted units joined by "&").
    QByteArray body() const;

    // Every byte except ASCII letters, digits and "-._~/?" becomes %XX (upper-case hex).
    static QByteArray escape(const QString &text);
    // The shortest decimal text that reads back to the same double, always with a
    // fractional part ("1440.0", "0.0"); exponent form ("1e-05", "1e+16") for
    // magnitudes below 0.0001 (zero excepted) and above 2^53.
    static QByteArray formatDouble(double value);

private:
    explicit FormEncoder(const QString &listPrefix) : m_prefix(listPrefix) {}
    QString fullKey(const QString &key) const;
    void append(const QString &key, const QByteArray &rawValue);

    QString m_prefix; // "points[]" inside a list element, else empty
    QList<QByteArray> m_units;
};

// A data URL field ("data:image/gif;base64," + a file in Base64) as it goes into a form
// body, escaped piece by piece from the file's own bytes: the Base64 text, several
// times the file's size once escaped and widened, is never held whole. A value type:
// copies share the file's bytes and read on from where they were made.
class DataUrlField {
public:
    DataUrlField() = default;
    // One pass over the data to learn the escaped length; run it off the GUI thread
    // for large files.
    DataUrlField(const QString &prefix, const QByteArray &data);

    qint64 escapedLength() const { return m_length; }
    // The next at most `max` escaped bytes; empty at the end.
    QByteArray read(qint64 max);

private:
    QByteArray m_head;   // the escaped prefix
    QByteArray m_data;   // the file's bytes
    qint64 m_length = 0; // of head + escaped Base64
    qint64 m_headDone = 0;
    qint64 m_dataDone = 0; // bytes of m_data encoded so far
    QByteArray m_pending;  // escaped bytes made but not yet read
};

// The bodies of the requests that carry a record.
QByteArray formBody(const MagicLinkSecondRequestParams &params);
QByteArray formBody(const AuthRequestParams &params);
QByteArray formBody(const CreateTaskRequestParams &params);
QByteArray formBody(const CreateDraftRequestParams &params);
// The draft's body with `fileData` in place of `params.file_data`: the record's other
// fields before and after it, in the order the form sorts them.
struct StreamedForm {
    QByteArray before;
    DataUrlField field;
    QByteArray after;
    qint64 length() const { return before.size() + field.escapedLength() + after.size(); }
};
StreamedForm formBody(CreateDraftRequestParams params, const DataUrlField &fileData);

} // namespace qn
