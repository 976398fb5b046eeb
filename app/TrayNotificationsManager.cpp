#include "app/TrayNotificationsManager.h"

#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace qn {

TrayNotificationsManager &TrayNotificationsManager::shared() {
    static TrayNotificationsManager manager;
    return manager;
}

TrayNotificationsManager::TrayNotificationsManager(QObject *parent) : QObject(parent) {}

void TrayNotificationsManager::show(const std::optional<QString> &, bool, QWidget *content) { delete content; }
void TrayNotificationsManager::hide() {}
void TrayNotificationsManager::showError(const std::optional<QByteArray> &, const QString &description) {
    std::printf("notice error: %s\n", qPrintable(description));
    std::fflush(stdout);
}
void TrayNotificationsManager::showSigningIn() {}
void TrayNotificationsManager::showSignedIn(const QString &) {}
QWidget *TrayNotificationsManager::showSignInRequired(const QByteArray &) { return nullptr; }
void TrayNotificationsManager::showUploaded(const std::optional<QString> &) {}
QWidget *TrayNotificationsManager::showNoInternet(const QByteArray &) { return nullptr; }
void TrayNotificationsManager::showErrorInfo(const QString &) {}
QWidget *TrayNotificationsManager::currentWindow() const { return m_window; }

bool isConnectedToNetwork() { return true; }

} // namespace qn
