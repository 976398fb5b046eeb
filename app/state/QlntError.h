#pragma once
#include <QString>

namespace qn {

// The program's error for cloud and sign-in failures. Its description is its
// message, so a notice tells the user what failed.
struct QlntError {
    QString message;
    QString description() const { return message; }
};

} // namespace qn
