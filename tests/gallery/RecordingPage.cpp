// The recording page of the gallery: the recording bar in its three states, light
// and dark, plus the options card and the settings panel, side by side.
#include "GalleryPages.h"
#include "app/state/RecordModel.h"
#include "recording/RecorderSettings.h"
#include "recording/VideoRecorderOptions.h"
#include "recording/VideoRecorderView.h"
#include "uikit/ColorScheme.h"

using namespace qn;

namespace qn::gallery {

Page recordingPage() {
    auto *window = new QWidget;
    window->setWindowTitle(QStringLiteral("recording gallery"));
    window->setStyleSheet(QStringLiteral("QWidget#galleryBack { background: #6f8fb0; }"));
    window->setObjectName(QStringLiteral("galleryBack"));
    window->setAttribute(Qt::WA_StyledBackground);
    window->resize(1180, 760);
    int x = 10;
    for (ColorScheme scheme : {ColorScheme::Light, ColorScheme::Dark}) {
        auto *column = new QWidget(window);
        setPreferredColorScheme(column, scheme);
        column->setGeometry(x, 10, 570, 320);
        int bx = 0;
        for (int state = 0; state < 3; ++state) {
            auto *model = new RecordModel(column);
            model->setMicrophoneEnabled(true);
            model->setCameraEnabled(state != 0);
            model->setMuteCamera(state == 2);
            model->setIsRecording(state > 0);
            model->setIsPaused(state == 2);
            model->setRecordTime(state == 0 ? 0 : 3725.4);
            model->setPowerMetter(state == 1 ? 0.6f : 0.3f);
            model->setDrawingMode(state == 1);
            auto *bar = new VideoRecorderView(model, nullptr, VideoRecorderView::Recorder::shared(), column);
            bar->move(bx, 0);
            bx += 185;
        }
        auto *cardHost = new QWidget(window);
        setPreferredColorScheme(cardHost, scheme);
        cardHost->setGeometry(x, 330, 570, 420);
        auto *model = new RecordModel(cardHost);
        model->setVideoDevices({{QStringLiteral("v"), QStringLiteral("Test camera")}});
        model->setAudioDevices({{QStringLiteral("a"), QStringLiteral("Sine source at 440 Hz")}});
        model->setSelectedAudioDevice(model->audioDevices().first());
        auto *card = new VideoRecorderOptions(scheme, nullptr, cardHost);
        card->move(0, 0);
        auto *settings = new RecorderSettings(model, nullptr, cardHost);
        settings->move(180, 0);
        x += 590;
    }
    return {{window}, window};
}

} // namespace qn::gallery
