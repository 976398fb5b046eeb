#pragma once
#include <QWidget>

namespace qn {

// The window of the settings and onboarding pages: a titled window with a close
// button only, white, never full screen. Closing it hides it (the program keeps
// running in the tray) and tells `closed` once it is gone from the screen.
class FullSizeWindow : public QWidget {
    Q_OBJECT
public:
    explicit FullSizeWindow(QWidget *parent = nullptr);

Q_SIGNALS:
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
};

} // namespace qn
