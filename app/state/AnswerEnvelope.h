#pragma once
#include <QString>
#include <optional>

class QJsonObject;

namespace qn {

// The outcome a cloud answer reports: whether the service did what was asked and,
// when it did not, why. The client turns a false `success` into a failure that shows
// `message`.
struct AnswerEnvelope {
    bool success = false;
    std::optional<QString> message;
};

// The envelope with the service's name for the kind of answer, carried but never acted
// on. The answer of "/get_user_tray_info" has none: there a "type" key is ignored like
// any key the record does not list.
struct TypedAnswerEnvelope : AnswerEnvelope {
    std::optional<QString> type;
};

// Reads the envelope from an answer's top-level object, as strictly as the rest of the
// answer: `success` present and a JSON Boolean; `message` and `type` missing, null or
// a string. Nothing when it reads; otherwise what is wrong, naming the key
// ("success is missing").
std::optional<QString> readAnswerEnvelope(const QJsonObject &answer, AnswerEnvelope &out);
std::optional<QString> readAnswerEnvelope(const QJsonObject &answer, TypedAnswerEnvelope &out);

} // namespace qn
