#include "editor_ui/BottomMenu.h"

#include "editor_ui/ChromeActions.h"
#include "editor_ui/ChromeState.h"
#include "editor_ui/ChromeStyle.h"
#include "editor_ui/DrawViewButton.h"
#include "editor_ui/PanelBackground.h"
#include "editor_ui/Tooltip.h"
#include "platform/Observe.h"
#include "uikit/Color.h"
#include "uikit/Typography.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>

namespace qn {

namespace {

constexpr int kSpacing = 6;
constexpr int kLeading = 6;
constexpr int kUploadWidth = 143;
constexpr int kButtonHeight = 36;

struct TextButton {
    BottomMenu::Control control;
    const char *label;
    int padding;
};

// Platform words: the button reads "Computer" where the original reads "Mac".
constexpr TextButton kTextButtons[] = {
    {BottomMenu::Control::SaveMac, "Save to Computer", 7},
    {BottomMenu::Control::CopyText, "Copy as Text", 6},
    {BottomMenu::Control::Copy, "Copy to Clipboard", 6},
};

size_t indexOf(BottomMenu::Control control) { return size_t(control); }

// The divider of the kit: a thin rectangle in the divider colour.
class BarDivider : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), Color::AppPlah::hex7C7C7COpacity30()); }
};

} // namespace

BottomMenu::Helper &BottomMenu::Helper::shared() {
    static Helper helper;
    return helper;
}

BottomMenu::BottomMenu(ChromeState *state, ChromeActions *actions, Qt::Alignment helpAligmnet, QWidget *parent)
    : QWidget(parent), m_state(state), m_actions(actions), m_helpAligmnet(helpAligmnet) {
    setAttribute(Qt::WA_NoSystemBackground);
    setFixedSize(kWidth, kHeight);
    build();
    observe(state, &ChromeState::tool, &ChromeState::toolChanged, this, [this](Tool tool) {
        m_tool = tool;
        refresh();
    });
    observe(state, &ChromeState::isRecording, &ChromeState::isRecordingChanged, this, [this](bool recording) {
        m_isRecording = recording;
        refresh();
    });
    observe(state, &ChromeState::isPaused, &ChromeState::isPausedChanged, this, [this](bool paused) {
        m_isPaused = paused;
        refresh();
    });
}

BottomMenu::~BottomMenu() { Helper::shared().work.cancel(); }

BottomMenu::Item &BottomMenu::item(Control control) { return m_items[indexOf(control)]; }
const BottomMenu::Item &BottomMenu::item(Control control) const { return m_items[indexOf(control)]; }

DrawViewButton *BottomMenu::button(Control control) const {
    return control == Control::None ? nullptr : item(control).button;
}
TooltipModifier *BottomMenu::tooltip(Control control) const { return m_help.tooltip(control); }
QShortcut *BottomMenu::shortcut(Control control) const {
    if (control == Control::None || item(control).shortcuts.isEmpty())
        return nullptr;
    return item(control).shortcuts.first();
}

void BottomMenu::build() {
    m_content = new QWidget(this);
    m_content->setGeometry(rect());

    // The three text buttons share what the fixed parts leave of the width. The
    // font shrinks from the kit's 14 px until the labels fit with their padding;
    // what is left widens the buttons evenly.
    const int fixed = kLeading + 36 + 3 * 1 + 7 * kSpacing + kUploadWidth;
    const int available = kWidth - fixed;
    QFont font = TextStyle::buttonsAndForms().font();
    std::array<qreal, 3> textWidths{};
    int paddings = 0;
    for (const auto &t : kTextButtons)
        paddings += 2 * t.padding;
    for (int px = 14; px >= 10; --px) {
        font = TextStyle::buttonsAndForms(px / 14.0).font();
        m_labelPixelSize = px;
        const QFontMetricsF metrics(font);
        qreal sum = 0;
        for (size_t i = 0; i < 3; ++i) {
            textWidths[i] = std::ceil(metrics.horizontalAdvance(QString::fromUtf8(kTextButtons[i].label)));
            sum += textWidths[i];
        }
        if (sum + paddings <= available)
            break;
    }
    qreal natural = paddings;
    for (qreal w : textWidths)
        natural += w;
    const qreal extra = std::max<qreal>(0, available - natural);

    int x = kLeading;
    const auto place = [&](QWidget *w, int width, int height) {
        w->setGeometry(x, (kHeight - height) / 2, width, height);
        x += width + kSpacing;
    };
    const auto addDivider = [&] { place(new BarDivider(m_content), 1, 36); };

    auto makeButton = [&](Control control, DrawViewButtonStyleCase style) {
        auto *b = new DrawViewButton(style, m_content);
        connect(b, &DrawViewButton::hoverChanged, this, [this, control](bool on) { hoverChanged(on, control); });
        connect(b, &QAbstractButton::clicked, this, [this, control] { trigger(control); });
        item(control).button = b;
        return b;
    };

    DrawViewButton *close = makeButton(Control::Close, DrawViewButtonStyleCase::Secondary);
    close->setIconName(QStringLiteral("close@draw-view"));
    place(close, 36, kButtonHeight);
    addDivider();

    int used = 0;
    for (size_t i = 0; i < 3; ++i) {
        const TextButton &t = kTextButtons[i];
        DrawViewButton *b = makeButton(t.control, DrawViewButtonStyleCase::Secondary);
        b->setText(QString::fromUtf8(t.label));
        b->setFont(font);
        // The last text button takes the rounding remainder.
        int width = int(textWidths[i] + 2 * t.padding + std::floor(extra / 3));
        if (i == 2)
            width = available - used;
        used += width;
        place(b, width, kButtonHeight);
        if (i < 2)
            addDivider();
    }

    DrawViewButton *upload = makeButton(Control::Upload, DrawViewButtonStyleCase::Primary);
    upload->setText(QStringLiteral("Upload to Cloud"));
    upload->setFont(font);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(-28, 0, 171, 48), 8, 8);
    upload->setClipShape(clip);
    upload->setGeometry(kWidth - kUploadWidth, 0, kUploadWidth, kHeight);

    struct Help {
        Control control;
        const char *text;
        qreal padding;
    };
    const Help helps[] = {
        {Control::Close, "Cancel - Esc", -12},
        {Control::SaveMac, "Save to your Computer - Ctrl+S", -12},
        {Control::CopyText, "OCR tool - Ctrl+T", -12},
        {Control::Copy, "Copy to Clipboard - Ctrl+C", -12},
        {Control::Upload, "Upload to Cloud - Ctrl+Enter", -6},
    };
    for (const Help &h : helps)
        m_help.add(h.control,
                   new TooltipModifier(item(h.control).button, QString::fromUtf8(h.text), m_helpAligmnet, h.padding));

    addShortcut(Control::SaveMac, QKeySequence(Qt::CTRL | Qt::Key_S));
    addShortcut(Control::CopyText, QKeySequence(Qt::CTRL | Qt::Key_T));
    addShortcut(Control::Copy, QKeySequence(Qt::CTRL | Qt::Key_C));
    addShortcut(Control::Upload, QKeySequence(Qt::CTRL | Qt::Key_Return));
    addShortcut(Control::Upload, QKeySequence(Qt::CTRL | Qt::Key_Enter));
}

void BottomMenu::addShortcut(Control control, const QKeySequence &keys) {
    auto *shortcut = new QShortcut(keys, this);
    // The keys work from whichever overlay window has the keyboard (the pointer may
    // rest on another screen than the crop area); a hidden bar's keys never match.
    shortcut->setContext(Qt::ApplicationShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, control] { trigger(control); });
    item(control).shortcuts.append(shortcut);
}

void BottomMenu::trigger(Control control) {
    DrawViewButton *b = button(control);
    // A disabled control, or a bar nobody can see, ignores its click and shortcut.
    if (!b || !b->isEnabled() || m_transparent || !isVisible() || !m_actions)
        return;
    switch (control) {
    case Control::Close:
        m_actions->requestClose(true);
        break;
    case Control::SaveMac:
        saveAction();
        break;
    case Control::CopyText:
        m_actions->copyAsTextAction();
        break;
    case Control::Copy:
        m_actions->copyAction();
        break;
    case Control::Upload:
        m_actions->uploadAction();
        break;
    case Control::None:
        break;
    }
}

void BottomMenu::saveAction() {
    if (!m_actions)
        return;
    if (m_tool == Tool::Video)
        m_actions->saveVideoAction();
    else
        m_actions->saveImageAction();
}

void BottomMenu::refresh() {
    const bool video = m_tool == Tool::Video;
    const bool saveDisabled = video && !(m_isRecording && m_isPaused);
    const bool outputsDisabled = video && (m_isPaused || !m_isRecording);
    item(Control::SaveMac).button->setEnabled(!saveDisabled);
    for (Control c : {Control::CopyText, Control::Copy, Control::Upload})
        item(c).button->setEnabled(!outputsDisabled);

    const bool transparent = m_isRecording && !m_isPaused;
    if (transparent != m_transparent) {
        m_transparent = transparent;
        setAttribute(Qt::WA_TransparentForMouseEvents, transparent);
        m_content->setVisible(!transparent);
        if (transparent) {
            m_help.setHover(Control::None);
            Helper::shared().work.cancel();
            if (m_pointerInside) {
                m_pointerInside = false;
                Q_EMIT pointerInsideChanged(false);
            }
        }
        update();
    }
    for (const Item &i : m_items)
        for (QShortcut *s : i.shortcuts)
            s->setEnabled(i.button->isEnabled() && !m_transparent);
}

void BottomMenu::setHelpAligmnet(Qt::Alignment alignment) {
    m_helpAligmnet = alignment;
    m_help.setSide(alignment);
}

void BottomMenu::hoverChanged(bool hovering, Control control) { m_help.hoverChanged(this, hovering, control); }

void BottomMenu::paintEvent(QPaintEvent *) {
    if (m_transparent)
        return;
    QPainter painter(this);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 8, 8);
    paintPanelBackground(painter, shape, BlendingMode::WithinWindow, chrome::isDark(this));
}

void BottomMenu::enterEvent(QEnterEvent *event) {
    QWidget::enterEvent(event);
    m_pointerInside = true;
    Q_EMIT pointerInsideChanged(true);
}

void BottomMenu::leaveEvent(QEvent *event) {
    QWidget::leaveEvent(event);
    m_pointerInside = false;
    Q_EMIT pointerInsideChanged(false);
}

void BottomMenu::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    Helper::shared().work.cancel();
    m_help.setHover(Control::None);
    if (m_pointerInside) {
        m_pointerInside = false;
        Q_EMIT pointerInsideChanged(false);
    }
}

void BottomMenu::mousePressEvent(QMouseEvent *event) {
    // The bar's own background is not the canvas: a click there draws nothing.
    event->accept();
}

} // namespace qn
