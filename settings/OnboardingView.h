#pragma once
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QWidget>
#include <functional>

class QWindow;
class QStackedLayout;
class QVBoxLayout;

namespace qn {

class ControlsReport;
class MoviePlayer;
class WindowGoneWatch;
class MorvaneButton;
class SettingsModel;
class StepperView;

// The five-page introduction: a media column (a looping video on the first page, a
// picture on the others) beside the page's title and text, one button that moves
// on, and the step dots. The page lives in SettingsModel.onboardingStep; the last
// page's button ends the onboarding for good.
class OnboardingView : public QWidget {
    Q_OBJECT
public:
    class ViewModel : public QObject {
    public:
        explicit ViewModel(SettingsModel &model, QObject *parent = nullptr);
        int onboardingStep = 0;
        int stepsCount = 5;
        std::function<void()> changed;
    };

    static inline const QSize kSize{645, 468};

    explicit OnboardingView(SettingsModel *model = nullptr, QWidget *parent = nullptr);
    ~OnboardingView() override;

    void buttonAction();
    QString buttonTitle() const;
    static QString buttonTitle(int step, int stepsCount);
    // The picture resource of a step, or empty for the video.
    static QString mediaName(int step);
    int shownStep() const { return m_shown; }
    MoviePlayer *player() const { return m_player; }
    // Where the video is read from: the packaged one, copied out of the program once.
    static QString videoFile();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void apply();
    void showMedia(int step);
    // Ends the video and frees its player; true when one was playing.
    bool stopVideo();
    void releaseVideo();

    SettingsModel &m_model;
    ViewModel *m_viewModel;
    QWidget *m_media;
    QWidget *m_mediaContent = nullptr;
    QVBoxLayout *m_pageHolder;
    QWidget *m_page = nullptr;
    MorvaneButton *m_button;
    StepperView *m_stepper;
    MoviePlayer *m_player = nullptr;
    QPointer<QWindow> m_watchedWindow;
    WindowGoneWatch *m_goneWatch = nullptr;
    ControlsReport *m_report;
    int m_shown = -1;
};

} // namespace qn
