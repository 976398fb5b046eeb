#include "recording/VideoRecorderOptions.h"

#include "annotation/DrawViewModel.h"
#include "editor_ui/EditorIcons.h"
#include "editor_ui/MVPopover.h"
#include "editor_ui/PanelBackground.h"
#include "platform/Diagnostics.h"
#include "recording/RecorderSettings.h"
#include "uikit/Color.h"
#include "uikit/Typography.h"

#include <QAbstractButton>
#include <QPainter>
#include <QPainterPath>

namespace qn {

namespace {
constexpr int kOptionsHeight = 32;

// The "Options" row: its whole rectangle takes clicks.
class OptionsButton : public QAbstractButton {
public:
    OptionsButton(ColorScheme scheme, QWidget *parent) : QAbstractButton(parent), m_scheme(scheme) {
        setCursor(Qt::ArrowCursor);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        const QColor ink = VideoRecorderOptions::optionsForeground(m_scheme);
        const TextStyle style = TextStyle::contentXS();
        const QString text = QStringLiteral("Options");
        const qreal textWidth = measureStyledText(text, style).width();
        const qreal total = textWidth + 2 + 16;
        const qreal x = (width() - total) / 2;
        drawStyledText(p, QRectF(x, 0, textWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, text, style, ink);
        paintEditorIcon(p, QStringLiteral("dropdown-arrows@recorder"),
                        QRectF(x + textWidth + 2, (height() - 16) / 2.0, 16, 16), ink);
    }

private:
    ColorScheme m_scheme;
};
} // namespace

QColor VideoRecorderOptions::optionsForeground(ColorScheme scheme) {
    return scheme == ColorScheme::Light ? Color::Gray::hex282828() : Color::Gray::hexC5C5C5();
}

QColor VideoRecorderOptions::popoverBackground(ColorScheme scheme) {
    return scheme == ColorScheme::Light ? Color::Gray::hexF6F6F6() : Color::Gray::hex313131();
}

VideoRecorderOptions::VideoRecorderOptions(ColorScheme scheme, std::function<RecorderSettings *()> makeSettings,
                                           QWidget *parent)
    : QWidget(parent), m_scheme(scheme) {
    setObjectName(QStringLiteral("videoRecorderOptions"));
    setFixedSize(kWidth, kHeight);
    setCursor(Qt::ArrowCursor);
    m_options = new OptionsButton(scheme, this);
    m_options->setObjectName(QStringLiteral("optionsButton"));
    m_options->setGeometry(0, kHeight - kOptionsHeight, kWidth, kOptionsHeight);
    connect(m_options, &QAbstractButton::clicked, this, [this] { setShowSettings(!m_showSettings); });

    RecorderSettings *settings = makeSettings ? makeSettings() : nullptr;
    if (settings) {
        m_popover = new MVPopoverModyfier(m_options, Qt::RightEdge, settings);
        m_popover->popover()->setPopoverBackground(
            PopoverBackground::plain(popoverBackground(ColorScheme::Light), popoverBackground(ColorScheme::Dark)));
        connect(m_popover, &MVPopoverModyfier::visibleChanged, this, [this](bool visible) {
            m_showSettings = visible;
            diagnostics::print(diagnostics::optionsSettings(visible));
        });
    }
}

QWidget *VideoRecorderOptions::settingsPanel() const { return m_popover ? m_popover->popover()->content() : nullptr; }

void VideoRecorderOptions::setShowSettings(bool show) {
    m_showSettings = show;
    if (m_popover)
        m_popover->setVisible(show);
    diagnostics::print(diagnostics::optionsSettings(show));
}

void VideoRecorderOptions::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 10, 10);
    paintPanelBackground(p, shape, BlendingMode::WithinWindow, m_scheme == ColorScheme::Dark, this);

    const QColor text = m_scheme == ColorScheme::Light ? Color::Gray::hex282828() : Color::Gray::hexF6F6F6();
    const TextStyle style = TextStyle::contentM();
    const qreal textHeight = measureStyledText(QStringLiteral("Record Video"), style).height();
    const qreal dividerY = kHeight - kOptionsHeight - 1;
    const qreal textTop = dividerY - 15 - textHeight;
    const qreal iconTop = textTop - 7 - 24;
    paintEditorIcon(p, QStringLiteral("video@recorder"), QRectF((kWidth - 24) / 2.0, iconTop, 24, 24), text);
    drawStyledText(p, QRectF(0, textTop, kWidth, textHeight), Qt::AlignHCenter | Qt::AlignTop,
                   QStringLiteral("Record Video"), style, text);
    p.fillRect(QRectF(0, dividerY, kWidth, 1), Color::AppPlah::hex7C7C7COpacity30());
}

VideoRecorderOprionsWrapper::Placement VideoRecorderOprionsWrapper::placement(const QRectF &croppArea,
                                                                              const QRectF &tempCroppArea) {
    const bool settled = !DrawViewModel::isZeroRect(croppArea);
    const QRectF area = settled ? croppArea : tempCroppArea;
    const QPointF centre = area.center();
    const QRect frame(qRound(centre.x() - VideoRecorderOptions::kWidth / 2.0),
                      qRound(centre.y() - VideoRecorderOptions::kHeight / 2.0), VideoRecorderOptions::kWidth,
                      VideoRecorderOptions::kHeight);
    return {frame, settled};
}

VideoRecorderOprionsWrapper::VideoRecorderOprionsWrapper(DrawViewModel *editor, ColorScheme scheme,
                                                         std::function<RecorderSettings *()> makeSettings,
                                                         QWidget *host)
    : QWidget(host), m_editor(editor), m_card(new VideoRecorderOptions(scheme, std::move(makeSettings), this)) {
    setObjectName(QStringLiteral("videoRecorderOptionsWrapper"));
    setFixedSize(VideoRecorderOptions::kWidth, VideoRecorderOptions::kHeight);
    connect(editor, &DrawViewModel::croppedAreaChanged, this, &VideoRecorderOprionsWrapper::place);
    connect(editor, &DrawViewModel::tempCroppedAreaChanged, this, &VideoRecorderOprionsWrapper::place);
    place();
}

void VideoRecorderOprionsWrapper::place() {
    if (!m_editor)
        return;
    const Placement p = placement(m_editor->croppedArea(), m_editor->tempCroppedArea());
    move(p.frame.topLeft());
    setVisible(p.visible);
    raise();
    if (p.visible && diagnostics::enabled()) {
        const QWidget *button = m_card->optionsButton();
        const QRect r(button->mapToGlobal(QPoint(0, 0)), button->size());
        diagnostics::print(diagnostics::optionsButton(r));
    }
    Q_EMIT placed();
}

} // namespace qn
