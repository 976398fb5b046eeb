#include "app/CloudLoaders.h"

#include "app/state/SettingsModel.h"
#include "cloud/APICore.h"
#include "platform/Diagnostics.h"

#include <QPointer>

namespace qn {

namespace {

// One load of the status menu's information: nothing while signed out; an answer is
// applied to the preferences and the menu rebuilt (if it still exists); a failure
// leaves everything as it was and prints the line `diagnostic` makes of the error.
template <typename Response, typename Request, typename Apply>
void load(Request request, SettingsModel &settings, const QObject *context, std::function<void()> rebuildMenu,
          QString (*diagnostic)(const QString &), Apply apply) {
    if (settings.token().isEmpty())
        return;
    QPointer<SettingsModel> model(&settings);
    QPointer<const QObject> guard(context);
    request([model, guard, rebuildMenu = std::move(rebuildMenu), diagnostic, apply](CloudResult<Response> answer) {
        if (!answer.ok()) {
            diagnostics::report(diagnostic(answer.error().description()));
            return;
        }
        if (!model)
            return;
        apply(*model, answer.value());
        if (guard && rebuildMenu)
            rebuildMenu();
    });
}

} // namespace

void CloudLoaders::reloadTrayInfo(APICore &api, SettingsModel &settings, const QObject *context,
                                  std::function<void()> rebuildMenu) {
    load<GetUserTrayInfoResponse>(
        [&api](APICore::Completion<GetUserTrayInfoResponse> done) { api.getUserTrayInfo(std::move(done)); }, settings,
        context, std::move(rebuildMenu), diagnostics::trayInfoLoadFailed,
        [](SettingsModel &model, const GetUserTrayInfoResponse &info) {
            model.setFeeds(info.drafts.value_or(QList<Draft>()));
            model.setProjects(info.projects.value_or(QList<Project>()));
            diagnostics::print(diagnostics::trayInfoApplied(model.projects().size()));
        });
}

void CloudLoaders::reloadProjects(APICore &api, SettingsModel &settings, const QObject *context,
                                  std::function<void()> rebuildMenu) {
    load<GetProjectsResponse>([&api](
                                  APICore::Completion<GetProjectsResponse> done) { api.getProjects(std::move(done)); },
                              settings, context, std::move(rebuildMenu), diagnostics::projectsLoadFailed,
                              [](SettingsModel &model, const GetProjectsResponse &answer) {
                                  const auto &result = answer.result;
                                  model.setProjects(result && result->projects ? *result->projects : QList<Project>());
                              });
}

void CloudLoaders::markAllAsRead(APICore &api, SettingsModel &settings) {
    settings.setFeeds({});
    if (settings.signedIn())
        api.readAllComments([](CloudResult<SuccessResponse>) {});
}

} // namespace qn
