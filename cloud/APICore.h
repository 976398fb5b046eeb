#pragma once
#include "app/state/CloudRecords.h"
#include "cloud/CloudError.h"
#include "cloud/CommentPoint.h"
#include "cloud/FormEncoder.h"
#include "cloud/HttpExchange.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <functional>
#include <optional>

namespace qn {

class SettingsModel;

// The client of the cloud service: every request is a POST of a form-encoded record
// to host + "/api/v2" + path, every answer a JSON object read strictly into its
// record. All calls are asynchronous on the GUI thread and complete there, exactly
// once. Every request has one overall deadline and a cap on its answer's size, is
// sent once (never again after a broken connection) and never follows a redirect.
class APICore : public QObject {
    Q_OBJECT
public:
    using Point = UploadPoint;
    template <typename T> using Completion = std::function<void(CloudResult<T>)>;
    using UploadResult = CloudResult<std::optional<CreateDraftResponse>>;
    using UploadCompletion = std::function<void(UploadResult)>;

    // The answer message that means the service no longer knows the token.
    static constexpr const char *kUndefinedUser = "Undefined @user";
    static constexpr int kDefaultDeadlineMs = 60'000;
    // The records are small; anything near this is not the service talking.
    static constexpr qint64 kDefaultMaxAnswerBytes = 4 * 1024 * 1024;
    // Uploads get longer than other requests: this many bytes a second at the least.
    static constexpr qint64 kSlowestUploadBytesPerSecond = 64 * 1024;

    static APICore &shared();

    // `host`: the service's base address, no trailing slash. `settings`: where the
    // token and the upload project are read, afresh for every call (the shared
    // preferences model when null).
    explicit APICore(const QString &host, SettingsModel *settings = nullptr, QObject *parent = nullptr);

    // The build's service host: the local development server in the development
    // flavour, the production host otherwise.
    static QString defaultHost();
    QString host() const { return m_host; }
    // Whether the service can be reached now. A service on this machine (loopback)
    // needs only a working loopback interface, whatever the wider network says;
    // any other host needs the network (an unknown state counts as reachable).
    bool isServiceReachable() const;
    static bool isLoopbackHost(const QString &host);
    QString api() const;

    // From the start of a request to the last byte of its answer (plus the time a
    // large upload needs at the slowest expected rate).
    void setDeadline(int milliseconds) { m_deadlineMs = milliseconds; }
    void setMaxAnswerBytes(qint64 bytes) { m_maxAnswerBytes = bytes; }
    // The task and file name of an upload that names none (the capture's default
    // name), read when the upload starts.
    void setDefaultName(std::function<QString()> name) { m_defaultName = std::move(name); }

    // The two sign-in steps: no token, no answer test of their own.
    void magicLink(Completion<MagicLinkResponse> completion);
    void magicLinkSecond(qint64 id, const QString &seed, Completion<MagicLinkSecondResponse> completion);

    // Authenticated calls. An answer whose message is "Undefined @user" posts
    // "tokenExpired" and is returned as it is; any other answer with success false
    // fails with the operation's prefix followed by the service's message.
    void getUserTrayInfo(Completion<GetUserTrayInfoResponse> completion);
    void getProjects(Completion<GetProjectsResponse> completion);
    void readAllComments(Completion<SuccessResponse> completion);
    // `params.authid` is replaced by the stored token.
    void createTask(CreateTaskRequestParams params, Completion<CreateTaskResponse> completion);
    void createDraft(CreateDraftRequestParams params, Completion<CreateDraftResponse> completion);

    // Uploads an image with its comment points: a task, then a draft whose template is
    // the task. `image` carries its device pixel ratio (its size in points is the
    // draft's size); `gifData`, when given, is sent instead of a JPEG of the image;
    // `screenScale` is the capture screen's pixels per point. The task's link is put
    // on the clipboard as soon as the task exists. Success logs "upload_to_cloud".
    void uploadImage(const QImage &image, const std::optional<QByteArray> &gifData, const std::optional<QString> &name,
                     qreal screenScale, const QRectF &cropArea, const QList<CommentPoint> &points,
                     UploadCompletion completion);
    // Uploads a file's own bytes (a GIF) as a data URL with `dataUrlPrefix`, without
    // comment points; `size` is the picture's size in pixels.
    void uploadData(const QByteArray &data, const QString &dataUrlPrefix, const QSizeF &size,
                    const std::optional<QString> &name, UploadCompletion completion);
    void createTaskAndDraft(const DataUrlField &fileData, const std::optional<QString> &name, double width,
                            double height, const QList<Point> &points, UploadCompletion completion);
    // A task's link as the service sends it is a path on the service's host; anything
    // else (an address of its own, "@other.host/x") is refused.
    static bool isServicePath(const QString &link);

    // One comment point as the service stores it, measured against the crop area.
    static Point makeUploadPoint(const CommentPoint &point, const QRectF &cropArea, qreal screenScale);
    // All points, sorted stably by number (no number counts as 0).
    static QList<Point> makeUploadPoints(const QList<CommentPoint> &points, const QRectF &cropArea, qreal screenScale);
    // "data:image/png;base64," + the JPEG (quality 90) of the image; none when the
    // image cannot be encoded. The label says png; the service expects exactly this.
    static std::optional<QString> jpegDataUrl(const QImage &image);
    // The JPEG (quality 90) of the image; empty when it cannot be encoded.
    static QByteArray jpegData(const QImage &image);

Q_SIGNALS:
    // Feedback once an upload's link is on the clipboard: the notice (only when
    // notifications are shown) and then the sound (unless muted). The client has
    // neither of its own; the application shows and plays them.
    void uploadNoticeRequested();
    void uploadSoundRequested();

private:
    using RawCompletion = std::function<void(CloudResult<HttpExchange::Answer>)>;
    void post(const QString &path, HttpExchange::Body body, RawCompletion completion);
    template <typename Record>
    void postRecord(const QString &path, HttpExchange::Body body, Completion<Record> completion);
    template <typename Record>
    void postChecked(const QString &path, HttpExchange::Body body, const QString &prefix,
                     Completion<Record> completion);
    void uploadEncoded(std::function<std::optional<DataUrlField>()> encode, const QSizeF &size,
                       const QList<Point> &points, const std::optional<QString> &name, UploadCompletion completion);
    void createDraftStreamed(const CreateDraftRequestParams &params, const DataUrlField &fileData,
                             Completion<CreateDraftResponse> completion);
    SettingsModel &settings() const;
    QString token() const;
    void deliverLink(const QString &link);

    QString m_host;
    SettingsModel *m_settings;
    int m_deadlineMs = kDefaultDeadlineMs;
    qint64 m_maxAnswerBytes = kDefaultMaxAnswerBytes;
    std::function<QString()> m_defaultName;
};

} // namespace qn
