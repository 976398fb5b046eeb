#include "cloud/CloudLoaders.h"

#include "app/SettingsModel.h"
#include "cloud/APICore.h"

#include <QPointer>
#include <cstdio>

namespace qn {

namespace {
void printDiagnostic(const char *what, const CloudError &error) {
    std::printf("%s%s\n", what, qPrintable(error.description()));
    std::fflush(stdout);
}
} // namespace

void CloudLoaders::reloadTrayInfo(APICore &api, SettingsModel &settings, const QObject *context,
                                  std::function<void()> rebuildMenu) {
    if (settings.token().isEmpty())
        return;
    QPointer<SettingsModel> model(&settings);
    QPointer<const QObject> guard(context);
    api.getUserTrayInfo([model, guard, rebuildMenu = std::move(rebuildMenu)](CloudResult<GetUserTrayInfoResponse> answer) {
        if (!answer.ok()) {
            printDiagnostic("Load user tray info error: ", answer.error());
            return;
        }
        if (!model)
            return;
        model->setFeeds(answer.value().drafts.value_or(QList<Draft>()));
        model->setProjects(answer.value().projects.value_or(QList<Project>()));
        if (guard && rebuildMenu)
            rebuildMenu();
    });
}

void CloudLoaders::reloadProjects(APICore &api, SettingsModel &settings, const QObject *context,
                                  std::function<void()> rebuildMenu) {
    if (settings.token().isEmpty())
        return;
    QPointer<SettingsModel> model(&settings);
    QPointer<const QObject> guard(context);
    api.getProjects([model, guard, rebuildMenu = std::move(rebuildMenu)](CloudResult<GetProjectsResponse> answer) {
        if (!answer.ok()) {
            printDiagnostic("Load projects error: ", answer.error());
            return;
        }
        if (!model)
            return;
        const auto &result = answer.value().result;
        model->setProjects(result && result->projects ? *result->projects : QList<Project>());
        if (guard && rebuildMenu)
            rebuildMenu();
    });
}

void CloudLoaders::markAllAsRead(APICore &api, SettingsModel &settings) {
    settings.setFeeds({});
    api.readAllComments([](CloudResult<SuccessResponse>) {});
}

} // namespace qn
