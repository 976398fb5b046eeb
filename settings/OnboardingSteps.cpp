#include "settings/OnboardingSteps.h"

#include "platform/LaunchAtLogin.h"
#include "settings/Switch.h"
#include "uikit/Color.h"
#include "uikit/KitLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSvgRenderer>
#include <QVBoxLayout>

namespace qn {

namespace {
struct StepText {
    const char *picture;
    const char *title;
    const char *text;
    int width; // 0: not limited
};

// The first page would ask for the screen-recording permission elsewhere; X11 has
// none, so it says that capture works as it is.
const StepText kSteps[] = {
    {"logo@onboarding", "Ready to capture",
     "Quillnest can capture and record your screen right away: this desktop needs no \"Screen Recording\" "
     "permission for it.",
     273},
    {"perfomance@onboarding", "Perfomance",
     "Quillnest has been totally rethought and improved to the next level.  We increased its performance and gave it "
     "a fresh look, so you can enhance your productivity even more",
     273},
    {"tools@onboarding", "New tools added",
     "With newly added tools and updated app features, interaction with Quillnest has become even more efficient and "
     "comfortable.",
     273},
    {"smart-text@onboarding", "Smart text recognition",
     "The OCR capability became smarter plus added the recognition of written text in Latin and Cyrillic.", 273},
    {"logo@onboarding", "App auto-launch", "Auto-launching Quillnest \nat login.", 0},
};

QLabel *picture(const QString &name) {
    auto *label = new QLabel();
    label->setFixedSize(32, 32);
    QSvgRenderer svg(QStringLiteral(":/images/%1.svg").arg(name));
    const qreal dpr = 2;
    QPixmap pixmap(QSize(32, 32) * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    if (svg.isValid()) {
        QPainter p(&pixmap);
        svg.render(&p, QRectF(0, 0, 32, 32));
    }
    label->setPixmap(pixmap);
    return label;
}
} // namespace

QWidget *makeOnboardingStep(int step) {
    // Any value outside the five pages shows the first one.
    const StepText &s = kSteps[(step >= 1 && step <= 4) ? step : 0];
    auto *page = new QWidget();
    page->setObjectName(QStringLiteral("step%1").arg((step >= 1 && step <= 4) ? step + 1 : 1));
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto *pic = picture(QString::fromLatin1(s.picture));
    column->addWidget(pic, 0, Qt::AlignLeft);
    column->addSpacing(23);
    auto *title = new KitLabel(QString::fromUtf8(s.title), TextStyle::hero(), Color::Gray::hex282828());
    title->setObjectName(QStringLiteral("stepTitle"));
    column->addWidget(title);
    column->addSpacing(22);
    auto *text = new KitLabel(QString::fromUtf8(s.text), TextStyle::contentMLoose(), Color::Gray::hex505050());
    if (s.width > 0) {
        text->setWordWrap(true);
        text->setFixedWidth(s.width);
    }
    column->addWidget(text);
    column->addStretch(1);
    if (step == 4)
        column->addWidget(new LaunchAtLoginRow());
    return page;
}

LaunchAtLoginRow::LaunchAtLoginRow(QWidget *parent) : QWidget(parent), m_toggle(new Switch()) {
    m_toggle->setObjectName(QStringLiteral("openAtLogin"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 18);
    row->setSpacing(0);
    row->addWidget(m_toggle);
    row->addSpacing(10);
    // The label is not part of the switch: clicking it changes nothing.
    row->addWidget(new KitLabel(QStringLiteral("Open at login"), TextStyle::contentS(), Color::Gray::hex8D8D8D()));
    row->addStretch(1);
    m_toggle->setChecked(LaunchAtLogin::isEnabled());
    connect(m_toggle, &Switch::clicked, this, [this](bool checked) {
        LaunchAtLogin::setEnabled(checked);
        m_toggle->setChecked(LaunchAtLogin::isEnabled());
    });
}

void LaunchAtLoginRow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    m_toggle->setChecked(LaunchAtLogin::isEnabled());
}

StepperView::StepperView(int countSteps, QWidget *parent) : QWidget(parent), m_count(std::max(0, countSteps)) {
    setFixedSize(sizeHint());
}

void StepperView::setCurrentStep(int step) {
    m_current = step;
    update();
}

QColor StepperView::dotColor(bool active) {
    return active ? Color::hex(QStringLiteral("#1D8AFF"), 1) : Color::hex(QStringLiteral("#E4E4E4"), 1);
}

QSize StepperView::sizeHint() const { return QSize(12 * m_count, 4); }

void StepperView::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < m_count; ++i) {
        p.setBrush(dotColor(i == m_current));
        p.drawEllipse(QRectF(i * 12, (height() - 4) / 2.0, 4, 4));
    }
}

} // namespace qn
