#pragma once
#include <QWidget>

namespace qn {

class Switch;

// The five onboarding pages: a 32×32 picture, a title and a text, in one frame.
// The last one carries the open-at-login switch.
QWidget *makeOnboardingStep(int step);

// The fifth page's switch and label: whether Quillnest starts at login. It shows
// the autostart entry's real state each time it is shown.
class LaunchAtLoginRow : public QWidget {
    Q_OBJECT
public:
    explicit LaunchAtLoginRow(QWidget *parent = nullptr);
    Switch *toggle() const { return m_toggle; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    Switch *m_toggle;
};

// The step dots: `countSteps` dots of 4, 8 apart; the current one blue.
class StepperView : public QWidget {
    Q_OBJECT
public:
    explicit StepperView(int countSteps, QWidget *parent = nullptr);
    int countSteps() const { return m_count; }
    int currentStep() const { return m_current; }
    void setCurrentStep(int step);
    static QColor dotColor(bool active);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_count;
    int m_current = 0;
};

} // namespace qn
