#include "settings/SettingsPage.h"

#include "platform/Diagnostics.h"
#include "settings/ControlsReport.h"
#include "settings/LinkButton.h"
#include "uikit/Color.h"
#include "uikit/KitLabel.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace qn {

SettingsPage::SettingsPage(const QString &pageName, const QString &title, const QString &resetTitle,
                           int headerBottom, int bottomMargin, QWidget *parent)
    : QWidget(parent), m_body(new QVBoxLayout()),
      m_report(new ControlsReport(this, diagnostics::settingsPage(pageName))) {
    setObjectName(QStringLiteral("page"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(20, 29, 20, bottomMargin);
    outer->setSpacing(0);
    auto *header = new QHBoxLayout();
    header->setContentsMargins(0, 0, 0, headerBottom);
    auto *titleLabel = new KitLabel(title, TextStyle::contentL(), Color::Gray::hex282828());
    titleLabel->setFixedHeight(28);
    header->addWidget(titleLabel);
    header->addStretch(1);
    if (!resetTitle.isEmpty()) {
        m_reset = new LinkButton(resetTitle, TextStyle::contentS(), Color::Gray::hex8D8D8D());
        m_reset->setLineHeight(20);
        m_reset->setObjectName(QStringLiteral("reset"));
        header->addWidget(m_reset);
    }
    outer->addLayout(header);
    m_body->setContentsMargins(0, 0, 0, 0);
    m_body->setSpacing(11);
    outer->addLayout(m_body);
    outer->addStretch(1);
}

void SettingsPage::reportControls() { m_report->request(); }

void SettingsPage::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), Color::Gray::hexF6F6F6());
}

void SettingsPage::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    reportControls();
}

void SettingsPage::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    reportControls();
}

} // namespace qn
