#include "settings/OnboardingView.h"

#include "app/state/Models.h"
#include "app/state/SettingsModel.h"
#include "platform/Diagnostics.h"
#include "platform/MoviePlayer.h"
#include "platform/Observe.h"
#include "platform/SafeFile.h"
#include "platform/WindowGoneWatch.h"
#include "recording/VideoPlayerView.h"
#include "settings/ControlsReport.h"
#include "settings/OnboardingSteps.h"
#include "settings/SettingsRequests.h"
#include "uikit/Color.h"
#include "uikit/MorvaneButton.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QPainter>
#include <QPointer>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QWindow>

namespace qn {

namespace {
constexpr int kTextColumnWidth = 385;

// A picture stretched over the whole media column.
class Picture : public QWidget {
public:
    explicit Picture(const QString &name) : m_png(QStringLiteral(":/onboarding/%1.png").arg(name)) {}

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        if (!m_png.isNull())
            p.drawImage(QRectF(rect()), m_png);
    }

private:
    QImage m_png;
};
} // namespace

OnboardingView::ViewModel::ViewModel(SettingsModel &model, QObject *parent)
    : QObject(parent), onboardingStep(model.onboardingStep()) {
    QPointer<ViewModel> self(this);
    observe(&model, &SettingsModel::onboardingStep, &SettingsModel::onboardingStepChanged, this, [self](int step) {
        if (!self)
            return;
        self->onboardingStep = step;
        if (self->changed)
            self->changed();
    });
}

OnboardingView::OnboardingView(SettingsModel *model, QWidget *parent)
    : QWidget(parent), m_model(model ? *model : *Models::shared().settingsModel()),
      m_viewModel(new ViewModel(m_model, this)), m_media(new QWidget()), m_pageHolder(new QVBoxLayout()),
      m_button(new MorvaneButton(QString(), MorvaneButtonType::Primary, ColorScheme::Light)),
      m_stepper(new StepperView(m_viewModel->stepsCount)),
      m_report(new ControlsReport(this, diagnostics::onboardingControls())) {
    setObjectName(QStringLiteral("onboarding"));
    setFixedSize(kSize);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    m_media->setObjectName(QStringLiteral("media"));
    m_media->setAutoFillBackground(true);
    QPalette white = m_media->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_media->setPalette(white);
    auto *mediaLayout = new QVBoxLayout(m_media);
    mediaLayout->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_media, 1);

    auto *text = new QWidget();
    text->setFixedWidth(kTextColumnWidth);
    text->setAutoFillBackground(true);
    text->setPalette(white);
    auto *column = new QVBoxLayout(text);
    column->setContentsMargins(56, 100, 0, 56);
    column->setSpacing(0);
    m_pageHolder->setContentsMargins(0, 0, 0, 0);
    column->addLayout(m_pageHolder, 1);
    auto *controls = new QHBoxLayout();
    controls->setSpacing(28);
    m_button->setObjectName(QStringLiteral("button"));
    m_button->setFixedSize(144, 36);
    m_button->setLabelColor(Color::Gray::hexFFFFFF());
    m_stepper->setObjectName(QStringLiteral("dots"));
    controls->addWidget(m_button);
    controls->addWidget(m_stepper, 0, Qt::AlignVCenter);
    controls->addStretch(1);
    column->addLayout(controls);
    row->addWidget(text);

    connect(m_button, &MorvaneButton::clicked, this, &OnboardingView::buttonAction);
    m_viewModel->changed = [this] { apply(); };
    apply();
}

OnboardingView::~OnboardingView() { stopVideo(); }

QString OnboardingView::buttonTitle(int step, int stepsCount) {
    // Screen capture needs no permission here, so the first page moves on too.
    if (step < stepsCount - 1)
        return QStringLiteral("Next");
    return QStringLiteral("Got it");
}

QString OnboardingView::buttonTitle() const {
    return buttonTitle(m_viewModel->onboardingStep, m_viewModel->stepsCount);
}

QString OnboardingView::mediaName(int step) {
    if (step >= 1 && step <= 4)
        return QStringLiteral("onboarding-%1").arg(std::min(step, 4) + 1);
    return QString();
}

void OnboardingView::buttonAction() {
    const int step = m_viewModel->onboardingStep;
    if (step >= m_viewModel->stepsCount - 1) {
        m_model.setNeedOnboarding(false);
        diagnostics::print(diagnostics::onboardingFinished());
        // The window that holds the view, whoever made it.
        window()->close();
        return;
    }
    m_model.setOnboardingStep(step + 1);
}

QString OnboardingView::videoFile() {
    // Media players read files; the video travels inside the program, so it is
    // copied out once into the cache (again only when the packaged one changes).
    QFile packaged(QStringLiteral(":/onboarding/qlnt_onb_1.mp4"));
    if (!packaged.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray data = packaged.readAll();
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    const QString name =
        QStringLiteral("qlnt_onb_1-%1.mp4")
            .arg(QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex().left(12)));
    const QString path = QDir(dir).filePath(name);
    QFile existing(path);
    if (existing.size() == data.size())
        return path;
    QDir().mkpath(dir);
    if (!safeFile::write(path, data, safeFile::Mode::PrivateFile).isEmpty())
        return QString();
    return path;
}

bool OnboardingView::stopVideo() {
    if (!m_player)
        return false;
    m_player->disconnect(this);
    // Deleted now, not later: its thread and decoder go with it, and nothing it
    // still had on the way is shown or restarts anything.
    delete m_player;
    m_player = nullptr;
    return true;
}

void OnboardingView::showMedia(int step) {
    stopVideo();
    delete m_mediaContent;
    m_mediaContent = nullptr;
    const QString picture = mediaName(step);
    if (!picture.isEmpty()) {
        m_mediaContent = new Picture(picture);
        m_mediaContent->setObjectName(QStringLiteral("picture"));
    } else {
        const QString file = videoFile();
        if (file.isEmpty()) {
            // No video: the column stays empty, the rest works.
            m_mediaContent = new QWidget();
        } else {
            m_player = new MoviePlayer(this);
            auto *view = new VideoPlayerView(m_player);
            view->setObjectName(QStringLiteral("video"));
            connect(view, &VideoPlayerView::readyForDisplay, this,
                    [] { diagnostics::print(diagnostics::onboardingVideoShown()); });
            connect(m_player, &MoviePlayer::endOfMedia, this, [this] {
                // Around and around, from the start, for as long as the page shows.
                m_player->rewind();
                m_player->play();
                diagnostics::print(diagnostics::onboardingVideoRestarted());
            });
            connect(m_player, &MoviePlayer::errorOccurred, this,
                    [](const QString &message) { diagnostics::print(diagnostics::onboardingVideoError(message)); });
            m_player->setSource(file);
            m_mediaContent = view;
            m_player->play();
        }
    }
    m_media->layout()->addWidget(m_mediaContent);
}

void OnboardingView::apply() {
    const int step = m_viewModel->onboardingStep;
    m_button->setText(buttonTitle());
    m_stepper->setCurrentStep(step);
    if (step != m_shown) {
        const bool mediaChanges = m_shown == -1 || mediaName(step) != mediaName(m_shown);
        m_shown = step;
        delete m_page;
        m_page = makeOnboardingStep(step);
        m_pageHolder->addWidget(m_page);
        if (mediaChanges)
            showMedia(step);
        diagnostics::print(diagnostics::onboardingStep(step, buttonTitle()));
    }
    m_report->request();
}

void OnboardingView::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
}

void OnboardingView::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    // A closed window keeps its view: the video must not go on playing unseen.
    releaseVideo();
}

void OnboardingView::releaseVideo() {
    if (stopVideo())
        diagnostics::print(diagnostics::onboardingVideoStopped());
}

bool OnboardingView::eventFilter(QObject *watched, QEvent *event) {
    // A window that is no longer on screen without having been hidden (minimised,
    // or destroyed behind the program's back, which Qt only sees as an unmap) gets
    // no video either; it plays again when the window is back.
    if (event->type() == QEvent::Expose && watched == m_watchedWindow) {
        if (!m_watchedWindow->isExposed())
            releaseVideo();
        else if (!m_player && isVisible() && mediaName(m_shown).isEmpty())
            showMedia(m_shown);
    }
    return QWidget::eventFilter(watched, event);
}

void OnboardingView::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!m_goneWatch) {
        m_goneWatch = new WindowGoneWatch(window(), this);
        connect(m_goneWatch, &WindowGoneWatch::gone, this, [this] {
            // Closed for good from outside: as if closed, so the menu can open it again.
            releaseVideo();
            WindowGoneWatch::forget(window());
        });
    }
    if (QWindow *handle = window()->windowHandle(); handle && handle != m_watchedWindow) {
        if (m_watchedWindow)
            m_watchedWindow->removeEventFilter(this);
        m_watchedWindow = handle;
        handle->installEventFilter(this);
    }
    if (!m_player && mediaName(m_shown).isEmpty())
        showMedia(m_shown);
    // X11 gives every program the screen, so there is no permission to ask for and
    // the first page stays; it says so and its button moves on.
    m_report->request();
}

} // namespace qn
