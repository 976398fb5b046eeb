#include "cloud/RecordReader.h"

#include "app/state/AnswerEnvelope.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QVariant>

namespace qn {

namespace {

// Reads fields in declaration order and stops at the first one that fails.
class Reader {
public:
    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }

    void fail(const QString &path, const QString &why) {
        if (!failed())
            m_error = (path.isEmpty() ? QStringLiteral("the answer") : path) + QLatin1Char(' ') + why;
    }

    template <typename T> void field(const QJsonObject &object, const QString &path, const char *key, T &out) {
        if (failed())
            return;
        const QString name = QLatin1String(key);
        const QString fieldPath = path.isEmpty() ? name : path + QLatin1Char('.') + name;
        const auto it = object.constFind(name);
        if (it == object.constEnd()) {
            fail(fieldPath, QStringLiteral("is missing"));
            return;
        }
        if (it->isNull()) {
            fail(fieldPath, QStringLiteral("is null"));
            return;
        }
        read(*it, fieldPath, out);
    }

    template <typename T>
    void field(const QJsonObject &object, const QString &path, const char *key, std::optional<T> &out) {
        if (failed())
            return;
        const QString name = QLatin1String(key);
        const auto it = object.constFind(name);
        out.reset();
        if (it == object.constEnd() || it->isNull())
            return;
        T value{};
        if (read(*it, path.isEmpty() ? name : path + QLatin1Char('.') + name, value))
            out = std::move(value);
    }

    bool read(const QJsonValue &value, const QString &path, qint64 &out) {
        // Qt keeps whole numbers within 64 bits as integers and everything else
        // (fractions, values out of range) as doubles.
        if (!value.isDouble() || value.toVariant().typeId() != QMetaType::LongLong) {
            fail(path, QStringLiteral("is not an integer"));
            return false;
        }
        out = value.toInteger();
        return true;
    }
    bool read(const QJsonValue &value, const QString &path, bool &out) {
        if (!value.isBool()) {
            fail(path, QStringLiteral("is not true or false"));
            return false;
        }
        out = value.toBool();
        return true;
    }
    bool read(const QJsonValue &value, const QString &path, QString &out) {
        if (!value.isString()) {
            fail(path, QStringLiteral("is not a string"));
            return false;
        }
        out = value.toString();
        return true;
    }
    template <typename T> bool read(const QJsonValue &value, const QString &path, QList<T> &out) {
        if (!value.isArray()) {
            fail(path, QStringLiteral("is not a list"));
            return false;
        }
        const QJsonArray array = value.toArray();
        out.clear();
        out.reserve(array.size());
        for (qsizetype i = 0; i < array.size(); ++i) {
            const QString elementPath = path + QLatin1Char('[') + QString::number(i) + QLatin1Char(']');
            if (array.at(i).isNull()) {
                fail(elementPath, QStringLiteral("is null"));
                return false;
            }
            T element{};
            if (!read(array.at(i), elementPath, element))
                return false;
            out.append(std::move(element));
        }
        return true;
    }
    // The outcome an answer reports: only ever at its top level.
    template <typename Envelope> void envelope(const QJsonObject &answer, Envelope &out) {
        if (failed())
            return;
        if (auto wrong = readAnswerEnvelope(answer, out))
            m_error = std::move(*wrong);
    }

    template <typename Record> bool read(const QJsonValue &value, const QString &path, Record &out) {
        if (!value.isObject()) {
            fail(path, QStringLiteral("is not an object"));
            return false;
        }
        readFields(*this, value.toObject(), path, out);
        return !failed();
    }

private:
    QString m_error;
};

// --- the records' fields, in declaration order -------------------------------------

void readFields(Reader &r, const QJsonObject &o, const QString &p, Project &v) {
    r.field(o, p, "id", v.id);
    r.field(o, p, "name", v.name);
    r.field(o, p, "url", v.url);
    r.field(o, p, "archive", v.archive);
    r.field(o, p, "temporary", v.temporary);
}

void readFields(Reader &r, const QJsonObject &o, const QString &p, Draft::ImageInfo &v) { r.field(o, p, "url", v.url); }

void readFields(Reader &r, const QJsonObject &o, const QString &p, Draft::Image &v) {
    r.field(o, p, "url", v.url);
    r.field(o, p, "thumb", v.thumb);
    r.field(o, p, "project_thumb", v.project_thumb);
    r.field(o, p, "blur", v.blur);
}

void readFields(Reader &r, const QJsonObject &o, const QString &p, Draft::ShortLink &v) {
    r.field(o, p, "id", v.id);
    r.field(o, p, "name", v.name);
    r.field(o, p, "type_link", v.type_link);
    r.field(o, p, "real_id", v.real_id);
    r.field(o, p, "created_at", v.created_at);
    r.field(o, p, "updated_at", v.updated_at);
    r.field(o, p, "project_id", v.project_id);
    r.field(o, p, "deleted", v.deleted);
}

void readFields(Reader &r, const QJsonObject &o, const QString &p, Draft &v) {
    r.field(o, p, "id", v.id);
    r.field(o, p, "owner_id", v.owner_id);
    r.field(o, p, "task_id", v.task_id);
    r.field(o, p, "order", v.order);
    r.field(o, p, "name", v.name);
    r.field(o, p, "image", v.image);
    r.field(o, p, "created_at", v.created_at);
    r.field(o, p, "updated_at", v.updated_at);
    r.field(o, p, "removed", v.removed);
    r.field(o, p, "status", v.status);
    r.field(o, p, "marked_for_deletion", v.marked_for_deletion);
    r.field(o, p, "last_status_update", v.last_status_update);
    r.field(o, p, "deleted", v.deleted);
    r.field(o, p, "height", v.height);
    r.field(o, p, "width", v.width);
    r.field(o, p, "allow_comment", v.allow_comment);
    r.field(o, p, "readed", v.readed);
    r.field(o, p, "short_link", v.short_link);
}

void readFields(Reader &r, const QJsonObject &o, const QString &p, MagicLinkResponse &v) {
    r.field(o, p, "id", v.id);
    r.field(o, p, "seed", v.seed);
}

void readFields(Reader &r, const QJsonObject &o, const QString &p, MagicLinkSecondResponse &v) {
    r.envelope(o, v);
    r.field(o, p, "result", v.result);
    r.field(o, p, "name", v.name);
}

void readFields(Reader &r, const QJsonObject &o, const QString &p, GetProjectsResponse::Result &v) {
    r.field(o, p, "projects", v.projects);
}

void readFields(Reader &r, const QJsonObject &o, const QString &p, GetProjectsResponse &v) {
    r.envelope(o, v);
    r.field(o, p, "result", v.result);
}

void readFields(Reader &r, const QJsonObject &o, const QString &, SuccessResponse &v) { r.envelope(o, v); }

void readFields(Reader &r, const QJsonObject &o, const QString &p, GetUserTrayInfoResponse &v) {
    r.envelope(o, v);
    r.field(o, p, "projects", v.projects);
    r.field(o, p, "drafts", v.drafts);
}

void readFields(Reader &r, const QJsonObject &o, const QString &p, CreateTaskResponse &v) {
    r.envelope(o, v);
    r.field(o, p, "task_id", v.task_id);
    r.field(o, p, "link", v.link);
}

void readFields(Reader &r, const QJsonObject &o, const QString &p, CreateDraftResponse &v) {
    r.envelope(o, v);
    r.field(o, p, "result", v.result);
    r.field(o, p, "draft_url", v.draft_url);
    r.field(o, p, "draft_id", v.draft_id);
}

} // namespace

template <typename Record> CloudResult<Record> decodeRecord(const QByteArray &json) {
    if (json.trimmed().isEmpty())
        return CloudError::decoding(QStringLiteral("the answer is empty"));
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return CloudError::decoding(QStringLiteral("the answer is not JSON (") + parseError.errorString() +
                                    QLatin1Char(')'));
    if (!document.isObject())
        return CloudError::decoding(QStringLiteral("the answer is not a JSON object"));
    Reader reader;
    Record record{};
    readFields(reader, document.object(), QString(), record);
    if (reader.failed())
        return CloudError::decoding(reader.error());
    return record;
}

template CloudResult<Project> decodeRecord<Project>(const QByteArray &);
template CloudResult<Draft> decodeRecord<Draft>(const QByteArray &);
template CloudResult<MagicLinkResponse> decodeRecord<MagicLinkResponse>(const QByteArray &);
template CloudResult<MagicLinkSecondResponse> decodeRecord<MagicLinkSecondResponse>(const QByteArray &);
template CloudResult<GetProjectsResponse> decodeRecord<GetProjectsResponse>(const QByteArray &);
template CloudResult<SuccessResponse> decodeRecord<SuccessResponse>(const QByteArray &);
template CloudResult<GetUserTrayInfoResponse> decodeRecord<GetUserTrayInfoResponse>(const QByteArray &);
template CloudResult<CreateTaskResponse> decodeRecord<CreateTaskResponse>(const QByteArray &);
template CloudResult<CreateDraftResponse> decodeRecord<CreateDraftResponse>(const QByteArray &);

} // namespace qn
