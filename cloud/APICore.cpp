#include "cloud/APICore.h"

#include "annotation/DrawViewModel.h"
#include "app/state/Defines.h"
#include "app/state/Helper.h"
#include "app/state/Models.h"
#include "app/state/SettingsModel.h"
#include "cloud/FormEncoder.h"
#include "cloud/RecordReader.h"
#include "platform/Analytics.h"
#include "platform/Background.h"
#include "platform/NotificationHub.h"
#include "platform/Reachability.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QPointer>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace qn {

namespace {

const QString kFormContentType = QStringLiteral("application/x-www-form-urlencoded; charset=utf-8");

double finiteOrZero(double value) { return std::isfinite(value) ? value : 0.0; }

bool isUndefinedUser(const std::optional<QString> &message) {
    return message && *message == QLatin1String(APICore::kUndefinedUser);
}

template <typename Record> CloudResult<Record> checkAnswer(CloudResult<Record> answer, const QString &prefix) {
    if (!answer.ok())
        return answer;
    const Record &record = answer.value();
    if (isUndefinedUser(record.message)) {
        NotificationHub::shared().post(QStringLiteral("tokenExpired"));
        return answer;
    }
    if (!record.success)
        return CloudError::refused(prefix + record.message.value_or(QString()));
    return answer;
}

} // namespace

APICore &APICore::shared() {
    // Never destroyed: network objects must not outlive the application object.
    static auto *core = new APICore(defaultHost());
    return *core;
}

QString APICore::defaultHost() { return Defines::host(); }

QString APICore::api() const { return m_host + Defines::apiPath(); }

APICore::APICore(const QString &host, SettingsModel *settings, QObject *parent)
    : QObject(parent), m_host(host), m_settings(settings) {
    m_defaultName = [] {
        const QString name = Models::shared().drawViewModel()->screenshotName();
        return name.isEmpty() ? Helper::screenshotFileName() : name;
    };
}

bool APICore::isLoopbackHost(const QString &host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

bool APICore::isServiceReachable() const {
    if (!isLoopbackHost(QUrl(m_host).host()))
        return Reachability::isReachable();
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    return std::any_of(interfaces.cbegin(), interfaces.cend(), [](const QNetworkInterface &i) {
        const auto flags = i.flags();
        return flags.testFlag(QNetworkInterface::IsLoopBack) && flags.testFlag(QNetworkInterface::IsUp) &&
               flags.testFlag(QNetworkInterface::IsRunning);
    });
}

SettingsModel &APICore::settings() const { return m_settings ? *m_settings : *Models::shared().settingsModel(); }

QString APICore::token() const { return settings().token(); }

// --- transport ---------------------------------------------------------------------

void APICore::post(const QString &path, HttpExchange::Body body, RawCompletion completion) {
    HttpExchange::Limits limits;
    limits.deadlineMs =
        static_cast<int>(std::min<qint64>(m_deadlineMs + body.length * 1000 / kSlowestUploadBytesPerSecond, INT_MAX));
    limits.maxAnswerBytes = m_maxAnswerBytes;
    HttpExchange::post(this, QUrl(api() + path), std::move(body), limits, std::move(completion));
}

namespace {
HttpExchange::Body formOf(const QByteArray &body) {
    return HttpExchange::Body::bytes(body, kFormContentType.toLatin1());
}
} // namespace

template <typename Record>
void APICore::postRecord(const QString &path, HttpExchange::Body body, Completion<Record> completion) {
    post(path, std::move(body), [completion = std::move(completion)](CloudResult<HttpExchange::Answer> raw) {
        if (!raw.ok()) {
            completion(raw.error());
            return;
        }
        // The service sends its records with error statuses too ("Undefined @user"
        // with 400): a body that reads counts whatever the status; one that does not
        // is reported with the status, which says more than the body then.
        const HttpExchange::Answer &answer = raw.value();
        CloudResult<Record> record = decodeRecord<Record>(answer.body);
        if (!record.ok() && (answer.status < 200 || answer.status > 299)) {
            completion(CloudError::decoding(QStringLiteral("HTTP status %1").arg(answer.status)));
            return;
        }
        completion(std::move(record));
    });
}

template <typename Record>
void APICore::postChecked(const QString &path, HttpExchange::Body body, const QString &prefix,
                          Completion<Record> completion) {
    postRecord<Record>(path, std::move(body), [prefix, completion = std::move(completion)](CloudResult<Record> answer) {
        completion(checkAnswer(std::move(answer), prefix));
    });
}

// --- operations ----------------------------------------------------------------------

void APICore::magicLink(Completion<MagicLinkResponse> completion) {
    // No record: no body and no content type.
    postRecord<MagicLinkResponse>(Defines::path(Defines::Endpoint::MagicLink), HttpExchange::Body{},
                                  std::move(completion));
}

void APICore::magicLinkSecond(qint64 id, const QString &seed, Completion<MagicLinkSecondResponse> completion) {
    postRecord<MagicLinkSecondResponse>(Defines::path(Defines::Endpoint::MagicLinkSecond),
                                        formOf(formBody(MagicLinkSecondRequestParams{id, seed})),
                                        std::move(completion));
}

void APICore::getUserTrayInfo(Completion<GetUserTrayInfoResponse> completion) {
    postChecked<GetUserTrayInfoResponse>(Defines::path(Defines::Endpoint::GetUserTrayInfo),
                                         formOf(formBody(GetUserTrayInfoParams{token()})),
                                         QStringLiteral("Load User Tray Info: "), std::move(completion));
}

void APICore::getProjects(Completion<GetProjectsResponse> completion) {
    postChecked<GetProjectsResponse>(Defines::path(Defines::Endpoint::Settings),
                                     formOf(formBody(GetProjectsRequestParams{token()})),
                                     QStringLiteral("Load Projects: "), std::move(completion));
}

void APICore::readAllComments(Completion<SuccessResponse> completion) {
    postChecked<SuccessResponse>(Defines::path(Defines::Endpoint::ReadAllComments),
                                 formOf(formBody(GetProjectsRequestParams{token()})), QStringLiteral("Load Projects: "),
                                 std::move(completion));
}

void APICore::createTask(CreateTaskRequestParams params, Completion<CreateTaskResponse> completion) {
    params.authid = token();
    postChecked<CreateTaskResponse>(Defines::path(Defines::Endpoint::CreateTask), formOf(formBody(params)),
                                    QStringLiteral("Create Task: "), std::move(completion));
}

void APICore::createDraft(CreateDraftRequestParams params, Completion<CreateDraftResponse> completion) {
    params.authid = token();
    postChecked<CreateDraftResponse>(Defines::path(Defines::Endpoint::CreateDraft), formOf(formBody(params)),
                                     QStringLiteral("Create Draft: "), std::move(completion));
}

// --- upload --------------------------------------------------------------------------

APICore::Point APICore::makeUploadPoint(const CommentPoint &point, const QRectF &area, qreal scale) {
    const QRectF r = QRectF(point.startPoint, point.endPoint).normalized();
    Point out;
    out.comment = point.text;
    out.order = point.number;
    out.color = QNColor::code(point.color.color, point.color.mask);
    // CornerType's raw values are the service's position codes; no corner sits top left.
    out.position = point.pointCorner ? static_cast<qint64>(*point.pointCorner) : 3;
    // An empty crop area (a dropped file) has no percentages: send 0.0, never inf or NaN.
    out.width = finiteOrZero(r.width() / area.width() * 100);
    out.height = finiteOrZero(r.height() / area.height() * 100);
    const double dx = r.left() - area.left();
    const double dy = r.top() - area.top();
    double left = scale * dx;
    double top = scale * dy;
    // The box anchors at the rectangle's far edge for these corners, unless the
    // rectangle is too thin to have one.
    if (r.width() > 1 && r.height() > 1 && point.pointCorner) {
        switch (*point.pointCorner) {
        case CornerType::TopRight: left = scale * (r.width() + dx); break;
        case CornerType::BottomLeft: top = scale * (r.height() + dy); break;
        case CornerType::BottomRight:
            left = scale * (r.width() + dx);
            top = scale * (r.height() + dy);
            break;
        default: break;
        }
    }
    out.left = finiteOrZero(left);
    out.top = finiteOrZero(top);
    return out;
}

QList<APICore::Point> APICore::makeUploadPoints(const QList<CommentPoint> &points, const QRectF &area, qreal scale) {
    QList<CommentPoint> sorted = points;
    std::stable_sort(sorted.begin(), sorted.end(), [](const CommentPoint &a, const CommentPoint &b) {
        return a.number.value_or(0) < b.number.value_or(0);
    });
    QList<Point> out;
    out.reserve(sorted.size());
    for (const CommentPoint &point : sorted)
        out.append(makeUploadPoint(point, area, scale));
    return out;
}

QByteArray APICore::jpegData(const QImage &image) {
    if (image.isNull())
        return {};
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", 90))
        return {};
    return jpeg;
}

std::optional<QString> APICore::jpegDataUrl(const QImage &image) {
    const QByteArray jpeg = jpegData(image);
    if (jpeg.isEmpty())
        return std::nullopt;
    return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(jpeg.toBase64());
}

void APICore::uploadImage(const QImage &image, const std::optional<QByteArray> &gifData,
                          const std::optional<QString> &name, qreal screenScale, const QRectF &cropArea,
                          const QList<CommentPoint> &points, UploadCompletion completion) {
    const QList<Point> uploadPoints = makeUploadPoints(points, cropArea, screenScale);
    const QSizeF size = image.deviceIndependentSize();
    if (gifData) {
        uploadEncoded(
            [data = *gifData] { return std::optional(DataUrlField(QStringLiteral("data:image/gif;base64,"), data)); },
            size, uploadPoints, name, std::move(completion));
        return;
    }
    // The label of a JPEG says png; the service expects exactly this.
    uploadEncoded(
        [image]() -> std::optional<DataUrlField> {
            const QByteArray jpeg = jpegData(image);
            if (jpeg.isEmpty())
                return std::nullopt;
            return DataUrlField(QStringLiteral("data:image/png;base64,"), jpeg);
        },
        size, uploadPoints, name, std::move(completion));
}

void APICore::uploadData(const QByteArray &data, const QString &dataUrlPrefix, const QSizeF &size,
                         const std::optional<QString> &name, UploadCompletion completion) {
    uploadEncoded([data, dataUrlPrefix] { return std::optional(DataUrlField(dataUrlPrefix, data)); }, size, {}, name,
                  std::move(completion));
}

void APICore::uploadEncoded(std::function<std::optional<DataUrlField>()> encode, const QSizeF &size,
                            const QList<Point> &points, const std::optional<QString> &name,
                            UploadCompletion completion) {
    // The default name belongs to the capture being uploaded: read it now, before the
    // editor moves on to the next capture.
    const std::optional<QString> fileName = name ? name : std::optional<QString>(m_defaultName());
    // Encoding (and the pass that measures the escaped Base64 of a large file) takes a
    // while: off the GUI thread, back on it after.
    runInBackground(this, std::move(encode),
                    [this, fileName, size, points,
                     completion = std::move(completion)](const std::optional<DataUrlField> &fileData) {
                        if (!fileData) {
                            completion(CloudError::encoding(QStringLiteral("The image could not be encoded as JPEG.")));
                            return;
                        }
                        createTaskAndDraft(*fileData, fileName, size.width(), size.height(), points,
                                           [completion](UploadResult result) {
                                               if (result.ok())
                                                   Analytics::shared().logEvent(QStringLiteral("upload_to_cloud"));
                                               completion(std::move(result));
                                           });
                    });
}

bool APICore::isServicePath(const QString &link) {
    if (!link.startsWith(QLatin1Char('/')) || link.startsWith(QLatin1String("//")))
        return false;
    for (const QChar c : link)
        if (c.isSpace() || c.category() == QChar::Other_Control || c == QLatin1Char('\\'))
            return false;
    // Whatever it holds, glued to a host it must stay on that host.
    const QUrl url(QStringLiteral("http://service.invalid") + link, QUrl::StrictMode);
    return url.isValid() && url.host() == QLatin1String("service.invalid") && url.userInfo().isEmpty() &&
           url.port() == -1;
}

void APICore::deliverLink(const QString &link) {
    // The clipboard first, so that the notice tells the truth; then the notice and
    // the sound, all on the GUI thread.
    QGuiApplication::clipboard()->setText(m_host + link);
    const SettingsModel &prefs = settings();
    if (prefs.showNotifications())
        Q_EMIT uploadNoticeRequested();
    if (!prefs.muted())
        Q_EMIT uploadSoundRequested();
}

void APICore::createDraftStreamed(const CreateDraftRequestParams &params, const DataUrlField &fileData,
                                  Completion<CreateDraftResponse> completion) {
    CreateDraftRequestParams withToken = params;
    withToken.authid = token();
    StreamedForm form = formBody(withToken, fileData);
    HttpExchange::Body body;
    body.contentType = kFormContentType.toLatin1();
    body.length = form.length();
    // The parts in turn, each piece made as the connection asks for it.
    body.next = [form, part = 0, offset = qint64(0)](qint64 max) mutable -> QByteArray {
        QByteArray out;
        while (out.size() < max && part < 3) {
            if (part == 1) {
                const QByteArray piece = form.field.read(max - out.size());
                if (piece.isEmpty())
                    ++part;
                out += piece;
                continue;
            }
            const QByteArray &bytes = part == 0 ? form.before : form.after;
            const QByteArray piece = bytes.mid(offset, max - out.size());
            offset += piece.size();
            out += piece;
            if (offset >= bytes.size()) {
                ++part;
                offset = 0;
            }
        }
        return out;
    };
    postChecked<CreateDraftResponse>(Defines::path(Defines::Endpoint::CreateDraft), std::move(body),
                                     QStringLiteral("Create Draft: "), std::move(completion));
}

void APICore::createTaskAndDraft(const DataUrlField &fileData, const std::optional<QString> &name, double width,
                                 double height, const QList<Point> &points, UploadCompletion completion) {
    const std::optional<Project> project = settings().temporaryProject();
    const std::optional<qint64> projectId = project ? std::optional<qint64>(project->id) : std::nullopt;
    const QString fileName = name ? *name : m_defaultName();

    CreateTaskRequestParams task;
    task.name = fileName;
    task.projectid = projectId;
    task.description = QString();
    task.fastLoad = true;

    QPointer<APICore> self(this);
    createTask(task, [self, fileData, fileName, width, height, points, projectId,
                      completion = std::move(completion)](CloudResult<CreateTaskResponse> answer) {
        if (!answer.ok()) {
            completion(answer.error());
            return;
        }
        const CreateTaskResponse &created = answer.value();
        // An expired sign-in or a task without id is no upload: say so instead of
        // reporting success (the expiry has already been posted).
        if (isUndefinedUser(created.message)) {
            completion(CloudError::refused(QStringLiteral("Create Task: ") + *created.message));
            return;
        }
        if (!created.task_id) {
            completion(CloudError::refused(QStringLiteral("Create Task: ") +
                                           created.message.value_or(QStringLiteral("the service created no task"))));
            return;
        }
        if (!self)
            return;
        if (created.link) {
            if (!isServicePath(*created.link)) {
                completion(CloudError::refused(QStringLiteral("Create Task: unusable link")));
                return;
            }
            self->deliverLink(*created.link);
        }

        CreateDraftRequestParams draft;
        draft.width = width;
        draft.height = height;
        draft.templateid = created.task_id;
        draft.projectid = projectId;
        draft.fileName = fileName;
        draft.points = points;
        self->createDraftStreamed(draft, fileData, [completion](CloudResult<CreateDraftResponse> drafted) {
            if (!drafted.ok()) {
                completion(drafted.error());
                return;
            }
            if (isUndefinedUser(drafted.value().message)) {
                completion(CloudError::refused(QStringLiteral("Create Draft: ") + *drafted.value().message));
                return;
            }
            completion(std::optional<CreateDraftResponse>(drafted.value()));
        });
    });
}

} // namespace qn
