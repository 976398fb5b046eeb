#pragma once
#include "app/state/QlntError.h"

#include <QString>
#include <utility>
#include <variant>

namespace qn {

// Why a cloud call failed. `Refused` is the service saying no (the program's own
// QlntError, text = operation prefix + the service's message); the other kinds come
// from the transport or from an answer that does not read into its record.
struct CloudError {
    enum class Kind { Transport, Timeout, Decoding, Refused, Encoding };
    Kind kind = Kind::Transport;
    QString message;

    static CloudError transport(const QString &message) { return {Kind::Transport, message}; }
    static CloudError timeout() { return {Kind::Timeout, QStringLiteral("The request timed out.")}; }
    static CloudError decoding(const QString &detail) {
        return {Kind::Decoding, QStringLiteral("Unreadable answer from the cloud service: ") + detail};
    }
    static CloudError refused(const QString &message) { return {Kind::Refused, message}; }
    static CloudError encoding(const QString &message) { return {Kind::Encoding, message}; }

    bool isQlntError() const { return kind == Kind::Refused; }
    QlntError qlntError() const { return QlntError{message}; }
    QString description() const { return message; }
};

// Either the value of a finished call or why it failed.
template <typename T>
class CloudResult {
public:
    CloudResult(T value) : m_data(std::move(value)) {}
    CloudResult(CloudError error) : m_data(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(m_data); }
    const T &value() const { return std::get<T>(m_data); }
    T &value() { return std::get<T>(m_data); }
    const CloudError &error() const { return std::get<CloudError>(m_data); }

private:
    std::variant<T, CloudError> m_data;
};

} // namespace qn
