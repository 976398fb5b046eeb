#pragma once
#include "app/state/CloudRecords.h"

namespace qn::test {

// A draft with the fields the status menu reads.
inline Draft draft(qint64 id, const QString &name, const QString &shortLink) {
    Draft d;
    d.id = id;
    d.name = name;
    d.short_link.name = shortLink;
    return d;
}

} // namespace qn::test
