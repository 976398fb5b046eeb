#pragma once
#include "cloud/CloudError.h"
#include "app/state/CloudRecords.h"

#include <QByteArray>

namespace qn {

// Reads a JSON answer strictly into its record: required keys must be present, not
// null and of their exact JSON type (a Boolean is only true or false, an integer a
// whole number within 64 bits, text a string); optional keys may be missing or null
// but never of another type. Unknown keys are ignored. Any failure, also inside a
// nested record or a list element, fails the whole answer with a decoding error that
// names the offending field.
//
// Instantiated for every answer record, and for Project and Draft on their own.
template <typename Record>
CloudResult<Record> decodeRecord(const QByteArray &json);

} // namespace qn
