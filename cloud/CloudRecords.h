#pragma once
#include <QList>
#include <QMetaType>
#include <QString>
#include <optional>

namespace qn {

// A cloud project as the service lists it.
struct Project {
    qint64 id = 0;
    QString name;    // the menu title
    QString url;     // the project's web page
    bool archive = false;
    qint64 temporary = 0; // 1 marks the temporary project uploads go to
};

// A draft as the service describes it. Only the fields the shell reads are here;
// the cloud client's reader fills them strictly from the service's answers.
struct Draft {
    struct ShortLink {
        QString name; // the draft's short-link path
    };
    qint64 id = 0;
    QString name;
    ShortLink short_link;
};

} // namespace qn
Q_DECLARE_METATYPE(qn::Project)
Q_DECLARE_METATYPE(qn::Draft)
