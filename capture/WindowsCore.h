#pragma once
#include "capture/Window.h"

#include <QList>
#include <QString>

class QScreen;
class QWidget;

namespace qn {

// Lists the ordinary windows on a screen (back to front) for window choosing, and
// opens or finds the settings and onboarding windows by their titles.
class WindowsCore {
public:
    static WindowsCore &shared();

    static inline const QString settingsTitle = QStringLiteral("Quillnest - Settings");
    static inline const QString onboardingTitle = QStringLiteral("Quillnest - Onboarding");

    // Windows whose bounds intersect the screen, back to front.
    QList<Window> windowsOnDisplay(QScreen *screen) const;

    QWidget *settingsWindow() const;
    QWidget *onboardingWindow() const;
    void openSettings();
    void openOnboarding();

private:
    WindowsCore() = default;
};

} // namespace qn
