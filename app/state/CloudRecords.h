#pragma once
#include "app/state/AnswerEnvelope.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <optional>

// The wire records of the cloud service. Field names are the service's JSON and form
// keys, spelled exactly (snake case and mixed case included), so that reading and
// writing never rename anything.

namespace qn {

// A cloud project as the service lists it.
struct Project {
    qint64 id = 0;
    QString name; // the menu title
    QString url;  // the project's web page
    bool archive = false;
    qint64 temporary = 0; // 1 marks the temporary project uploads go to

    bool operator==(const Project &) const = default;
};

// A draft as the service describes it: an uploaded image that collects comments.
// The status menu reads `id`, `name` and `short_link.name`; the rest is carried as sent.
struct Draft {
    struct ImageInfo {
        QString url;
        bool operator==(const ImageInfo &) const = default;
    };
    struct Image {
        QString url;
        ImageInfo thumb;
        ImageInfo project_thumb;
        ImageInfo blur;
        bool operator==(const Image &) const = default;
    };
    struct ShortLink {
        qint64 id = 0;
        QString name; // the draft's short-link path
        qint64 type_link = 0;
        qint64 real_id = 0;
        QString created_at;
        QString updated_at;
        qint64 project_id = 0;
        bool deleted = false;
        bool operator==(const ShortLink &) const = default;
    };

    qint64 id = 0;
    qint64 owner_id = 0;
    qint64 task_id = 0;
    qint64 order = 0;
    QString name;
    Image image;
    std::optional<QString> created_at;
    std::optional<QString> updated_at;
    std::optional<bool> removed;
    std::optional<QString> status;
    bool marked_for_deletion = false;
    std::optional<QString> last_status_update;
    bool deleted = false;
    qint64 height = 0;
    qint64 width = 0;
    bool allow_comment = false;
    bool readed = false;
    ShortLink short_link;

    bool operator==(const Draft &) const = default;
};

// --- answers ---------------------------------------------------------------------

// "/iwannagohome": the one-time sign-in link.
struct MagicLinkResponse {
    qint64 id = 0;
    QString seed;
};

// "/login_iwgh": one sign-in poll. Signed in only when both `result` (the token) and
// `name` are present.
struct MagicLinkSecondResponse : TypedAnswerEnvelope {
    std::optional<QString> result;
    std::optional<QString> name;
};

// "/settings": the project list.
struct GetProjectsResponse : TypedAnswerEnvelope {
    struct Result {
        std::optional<QList<Project>> projects;
    };
    std::optional<Result> result;
};

// "/read_all_comments".
struct SuccessResponse : TypedAnswerEnvelope {};

// "/get_user_tray_info": what the status menu shows.
struct GetUserTrayInfoResponse : AnswerEnvelope {
    std::optional<QList<Project>> projects;
    std::optional<QList<Draft>> drafts;
};

// "/create_task".
struct CreateTaskResponse : TypedAnswerEnvelope {
    std::optional<qint64> task_id;
    std::optional<QString> link;
};

// "/create_draft".
struct CreateDraftResponse : TypedAnswerEnvelope {
    std::optional<bool> result;
    std::optional<QString> draft_url;
    std::optional<qint64> draft_id;
};

// --- requests ----------------------------------------------------------------------

struct MagicLinkSecondRequestParams {
    qint64 id = 0;
    QString seed;
};

// Body of "/settings", "/read_all_comments" and "/get_user_tray_info".
struct AuthRequestParams {
    QString authid;
};
using GetProjectsRequestParams = AuthRequestParams;
using GetUserTrayInfoParams = AuthRequestParams;

struct CreateTaskRequestParams {
    QString authid;
    QString name;
    std::optional<qint64> folderid;
    std::optional<qint64> projectid;
    std::optional<qint64> assigned_id;
    QString description;
    bool fastLoad = true;
};

// One numbered comment point as the service stores it with a draft.
struct UploadPoint {
    QString comment;
    qint64 position = 3;
    std::optional<qint64> order;
    qint64 color = 1;
    double width = 0.0;  // percent of the crop area's width
    double height = 0.0; // percent of the crop area's height
    double left = 0.0;   // pixels from the crop area's left edge
    double top = 0.0;    // pixels from the crop area's top edge
    QList<QString> arrows;

    bool operator==(const UploadPoint &) const = default;
};

struct CreateDraftRequestParams {
    QString authid;
    std::optional<double> width;
    std::optional<double> height;
    std::optional<qint64> templateid;
    std::optional<qint64> projectid;
    QString fileName;
    QString file_data;
    QList<UploadPoint> points;
};

} // namespace qn
Q_DECLARE_METATYPE(qn::Project)
Q_DECLARE_METATYPE(qn::Draft)
