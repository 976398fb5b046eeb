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

#include <QBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>

namespace qn {

namespace {

using Control = BottomMenu::Control;

constexpr int kSpacing = 6;
constexpr int kLeading = 6;
constexpr int kButtonHeight = 36;
constexpr int kCloseWidth = 36;
constexpr int kUploadWidth = 143;
constexpr int kDividerWidth = 1;

enum class RowKind : quint8 { Close, Text, Upload, Divider };

// When a control responds. With the video tool the bar ends a recording:
// saving needs a paused recording, and the other outputs have nothing to give
// while the bar can be seen.
enum class Enabled : quint8 { Always, WhenVideoPaused, WhenNotVideoOrRunning };

struct BarRow {
    RowKind kind;
    Control control = Control::None;
    const char *label = nullptr;
    int padding = 0; // on each side of the label
    const char *help = nullptr;
    qreal helpPadding = -12;
    Enabled enabled = Enabled::Always;
    void (*run)(BottomMenu &bar, ChromeActions &actions) = nullptr;
    // Ctrl with each of these keys, if any.
    std::array<Qt::Key, 2> keys{};
};

// The bar, left to right. Platform words: "Computer" where the original reads "Mac".
// The upload tile's bubble stands nearer to it, as the tile is the bar's full height.
// The Escape of the close button belongs to the overlay window's key handling.
const BarRow kBar[] = {
    {RowKind::Close, Control::Close, nullptr, 0, "Cancel - Esc", -12, Enabled::Always,
     [](BottomMenu &, ChromeActions &a) { a.requestClose(true); }},
    {RowKind::Divider},
    {RowKind::Text,
     Control::SaveMac,
     "Save to Computer",
     7,
     "Save to your Computer - Ctrl+S",
     -12,
     Enabled::WhenVideoPaused,
     [](BottomMenu &bar, ChromeActions &) { bar.saveAction(); },
     {Qt::Key_S}},
    {RowKind::Divider},
    {RowKind::Text,
     Control::CopyText,
     "Copy as Text",
     6,
     "OCR tool - Ctrl+T",
     -12,
     Enabled::WhenNotVideoOrRunning,
     [](BottomMenu &, ChromeActions &a) { a.copyAsTextAction(); },
     {Qt::Key_T}},
    {RowKind::Divider},
    {RowKind::Text,
     Control::Copy,
     "Copy to Clipboard",
     6,
     "Copy to Clipboard - Ctrl+C",
     -12,
     Enabled::WhenNotVideoOrRunning,
     [](BottomMenu &, ChromeActions &a) { a.copyAction(); },
     {Qt::Key_C}},
    {RowKind::Upload,
     Control::Upload,
     "Upload to Cloud",
     0,
     "Upload to Cloud - Ctrl+Enter",
     -6,
     Enabled::WhenNotVideoOrRunning,
     [](BottomMenu &, ChromeActions &a) { a.uploadAction(); },
     {Qt::Key_Return, Qt::Key_Enter}},
};

const BarRow *rowOf(Control control) {
    for (const BarRow &row : kBar)
        if (row.kind != RowKind::Divider && row.control == control)
            return &row;
    return nullptr;
}

size_t indexOf(Control control) { return size_t(control); }

// The divider of the kit: a thin rectangle in the divider colour.
class BarDivider : public QWidget {
public:
    explicit BarDivider(QWidget *parent) : QWidget(parent) { setFixedSize(kDividerWidth, kButtonHeight); }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), Color::AppPlah::hex7C7C7COpacity30()); }
};

// The widths the text buttons end up with, and their font. They share what the
// fixed parts leave of the bar's width: the font shrinks from the kit's 14 px
// until the labels fit with their padding; what is left widens them evenly, and
// the last takes the rounding remainder.
struct TextFit {
    QFont font;
    int pixelSize = 14;
    QList<int> widths;
};

TextFit fitTexts() {
    int fixed = kLeading + kSpacing * (int(std::size(kBar)) - 1);
    int paddings = 0;
    QStringList labels;
    for (const BarRow &row : kBar) {
        switch (row.kind) {
        case RowKind::Close: fixed += kCloseWidth; break;
        case RowKind::Divider: fixed += kDividerWidth; break;
        case RowKind::Upload: fixed += kUploadWidth; break;
        case RowKind::Text:
            paddings += 2 * row.padding;
            labels << QString::fromUtf8(row.label);
            break;
        }
    }
    const int available = BottomMenu::kWidth - fixed;

    TextFit fit;
    QList<qreal> textWidths(labels.size());
    for (int px = 14; px >= 10; --px) {
        fit.font = TextStyle::buttonsAndForms(px / 14.0).font();
        fit.pixelSize = px;
        const QFontMetricsF metrics(fit.font);
        qreal sum = 0;
        for (qsizetype i = 0; i < labels.size(); ++i) {
            textWidths[i] = std::ceil(metrics.horizontalAdvance(labels[i]));
            sum += textWidths[i];
        }
        if (sum + paddings <= available)
            break;
    }
    qreal natural = paddings;
    for (qreal w : textWidths)
        natural += w;
    const qreal extra = std::max<qreal>(0, available - natural);

    int used = 0;
    qsizetype i = 0;
    for (const BarRow &row : kBar) {
        if (row.kind != RowKind::Text)
            continue;
        int width = int(textWidths[i] + 2 * row.padding + std::floor(extra / labels.size()));
        if (i == labels.size() - 1)
            width = available - used;
        used += width;
        fit.widths << width;
        ++i;
    }
    return fit;
}

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
TooltipModifier *BottomMenu::tooltip(Control control) const { return m_pointer.help().tooltip(control); }
QShortcut *BottomMenu::shortcut(Control control) const {
    if (control == Control::None || item(control).shortcuts.isEmpty())
        return nullptr;
    return item(control).shortcuts.first();
}

void BottomMenu::build() {
    m_content = new QWidget(this);
    m_content->setGeometry(rect());
    auto *row = new QHBoxLayout(m_content);
    row->setContentsMargins(kLeading, 0, 0, 0);
    row->setSpacing(kSpacing);

    const TextFit fit = fitTexts();
    m_labelPixelSize = fit.pixelSize;
    qsizetype textIndex = 0;
    for (const BarRow &r : kBar) {
        if (r.kind == RowKind::Divider) {
            row->addWidget(new BarDivider(m_content), 0, Qt::AlignVCenter);
            continue;
        }
        const Control control = r.control;
        auto *b = new DrawViewButton(r.kind == RowKind::Upload ? DrawViewButtonStyleCase::Primary
                                                               : DrawViewButtonStyleCase::Secondary,
                                     m_content);
        connect(b, &DrawViewButton::hoverChanged, this, [this, control](bool on) { hoverChanged(on, control); });
        connect(b, &QAbstractButton::clicked, this, [this, control] { trigger(control); });
        item(control).button = b;
        switch (r.kind) {
        case RowKind::Close:
            b->setIconName(QStringLiteral("close@draw-view"));
            b->setFixedSize(kCloseWidth, kButtonHeight);
            break;
        case RowKind::Text:
            b->setText(QString::fromUtf8(r.label));
            b->setFont(fit.font);
            b->setFixedSize(fit.widths[textIndex++], kButtonHeight);
            break;
        case RowKind::Upload: {
            b->setText(QString::fromUtf8(r.label));
            b->setFont(fit.font);
            b->setFixedSize(kUploadWidth, kHeight);
            // A straight left edge, and rounded right corners that match the bar's.
            QPainterPath clip;
            clip.addRoundedRect(QRectF(-28, 0, kUploadWidth + 28, kHeight), 8, 8);
            b->setClipShape(clip);
            break;
        }
        case RowKind::Divider: break;
        }
        row->addWidget(b, 0, Qt::AlignVCenter);
        m_pointer.help().add(control, new TooltipModifier(b, QString::fromUtf8(r.help), m_helpAligmnet, r.helpPadding));
        for (Qt::Key key : r.keys)
            if (key != Qt::Key{})
                addShortcut(control, QKeySequence(Qt::CTRL | key));
    }
    row->addStretch();
    // Place the controls now: their frames are read before the bar is shown.
    row->activate();
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
    if (const BarRow *row = rowOf(control))
        row->run(*this, *m_actions);
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
    for (const BarRow &r : kBar) {
        switch (r.enabled) {
        case Enabled::Always: break;
        case Enabled::WhenVideoPaused:
            item(r.control).button->setEnabled(!video || (m_isRecording && m_isPaused));
            break;
        case Enabled::WhenNotVideoOrRunning:
            item(r.control).button->setEnabled(!video || (m_isRecording && !m_isPaused));
            break;
        }
    }

    const bool transparent = m_isRecording && !m_isPaused;
    if (transparent != m_transparent) {
        m_transparent = transparent;
        setAttribute(Qt::WA_TransparentForMouseEvents, transparent);
        m_content->setVisible(!transparent);
        if (transparent && m_pointer.dismiss())
            Q_EMIT pointerInsideChanged(false);
        update();
    }
    for (const Item &i : m_items)
        for (QShortcut *s : i.shortcuts)
            s->setEnabled(i.button->isEnabled() && !m_transparent);
}

void BottomMenu::setHelpAligmnet(Qt::Alignment alignment) {
    m_helpAligmnet = alignment;
    m_pointer.help().setSide(alignment);
}

void BottomMenu::hoverChanged(bool hovering, Control control) {
    m_pointer.help().hoverChanged(this, hovering, control);
}

void BottomMenu::paintEvent(QPaintEvent *) {
    if (m_transparent)
        return;
    QPainter painter(this);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 8, 8);
    paintPanelBackground(painter, shape, BlendingMode::WithinWindow, chrome::isDark(this), this);
}

void BottomMenu::enterEvent(QEnterEvent *event) {
    QWidget::enterEvent(event);
    if (m_pointer.setInside(0, true))
        Q_EMIT pointerInsideChanged(true);
}

void BottomMenu::leaveEvent(QEvent *event) {
    QWidget::leaveEvent(event);
    if (m_pointer.setInside(0, false))
        Q_EMIT pointerInsideChanged(false);
}

void BottomMenu::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    if (m_pointer.dismiss())
        Q_EMIT pointerInsideChanged(false);
}

void BottomMenu::mousePressEvent(QMouseEvent *event) {
    // The bar's own background is not the canvas: a click there draws nothing.
    event->accept();
}

} // namespace qn
