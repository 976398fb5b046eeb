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

    // The page shown in the window, filling it (ownership passes).
    void setContentView(QWidget *content);
    QWidget *contentView() const { return m_content; }

Q_SIGNALS:
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *m_content = nullptr;
};

} // namespace qn
