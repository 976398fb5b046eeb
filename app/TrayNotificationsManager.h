#pragma once
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <optional>

class QTimer;
class QWidget;

namespace qn {

class TrayNotification;

// One tray notification at a time, hanging under the tray icon.
class TrayNotificationsManager : public QObject {
    Q_OBJECT
public:
    static TrayNotificationsManager &shared();

    // Shows `content` (a row of texts and buttons; ownership passes) under the tray
    // icon, replacing any notification shown; hides it after 5 s when asked.
    void show(const std::optional<QString> &emoji, bool autoHide, QWidget *content);
    void hide();

    // The ready-made notices. Error texts are cut to 35 characters + "...".
    void showError(const std::optional<QByteArray> &pngData, const QString &errorDescription);
    void showSigningIn();
    void showSignedIn(const QString &name);
    QWidget *showSignInRequired(const QByteArray &pngData);
    void showUploaded(const std::optional<QString> &linkPath);
    QWidget *showNoInternet(const QByteArray &pngData);
    void showErrorInfo(const QString &errorDescription);

    // The window of the notification shown now, if any (tests, placement).
    QWidget *currentWindow() const;

    // The error notice's text: at most 35 user-perceived characters, "..." after a
    // cut, then one blank.
    static QString errorMessageText(const QString &description);

    struct Placement {
        QPoint topLeft;
        qreal tipX = 0;
        bool tipPointsDown = false;
    };
    // Centred under the tray icon (above it when the icon sits in the lower half of
    // the screen), kept inside the screen's available area; at its top right when
    // the tray gives no icon geometry.
    static Placement placement(QSize size, const QRect &icon, const QRect &available);

    static constexpr int kAutoHideMs = 5000;

private:
    explicit TrayNotificationsManager(QObject *parent = nullptr);
    void closeWindow();

    QPointer<TrayNotification> m_window;
    QTimer *m_worker = nullptr;
};

// True when the network can be reached (unknown counts as reachable).
bool isConnectedToNetwork();

} // namespace qn
