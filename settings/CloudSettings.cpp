#include "settings/CloudSettings.h"

#include "app/state/Defines.h"
#include "app/state/SettingsModel.h"
#include "platform/Diagnostics.h"
#include "platform/Observe.h"
#include "platform/UrlOpener.h"
#include "settings/ControlsReport.h"
#include "settings/LinkButton.h"
#include "settings/SettingsRequests.h"
#include "uikit/Color.h"
#include "uikit/Divider.h"
#include "uikit/KitLabel.h"
#include "uikit/MorvaneButton.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPointer>
#include <QStackedLayout>
#include <QTimer>
#include <QVBoxLayout>

namespace qn {

namespace {
// A small spinner on the page's own ground, hiding what lies below.
class LoadingCover : public QWidget {
public:
    explicit LoadingCover(QWidget *parent = nullptr) : QWidget(parent), m_timer(new QTimer(this)) {
        m_timer->setInterval(80);
        connect(m_timer, &QTimer::timeout, this, [this] {
            m_phase = (m_phase + 1) % 12;
            update();
        });
    }

protected:
    void showEvent(QShowEvent *) override { m_timer->start(); }
    void hideEvent(QHideEvent *) override { m_timer->stop(); }
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(rect(), Color::Gray::hexF6F6F6());
        p.translate(rect().center());
        for (int i = 0; i < 12; ++i) {
            QColor c = Color::Gray::hex505050();
            c.setAlphaF(0.15 + 0.85 * ((i - m_phase + 12) % 12) / 11.0);
            p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(0, -5), QPointF(0, -8));
            p.rotate(30);
        }
    }

private:
    QTimer *m_timer;
    int m_phase = 0;
};

QLayout *supportRow(QWidget *owner) {
    auto *row = new QHBoxLayout();
    row->setContentsMargins(20, 12, 20, 0);
    row->addStretch(1);
    auto *support = new LinkButton(QStringLiteral("Support"), TextStyle::contentS(), Color::Gray::hex8D8D8D(), owner);
    support->setLineHeight(20);
    support->setObjectName(QStringLiteral("support"));
    QObject::connect(support, &LinkButton::clicked, owner,
                     [] { UrlOpener::open(QStringLiteral("mailto:") + Defines::supportMail()); });
    row->addWidget(support);
    return row;
}

KitLabel *centred(const QString &text, const TextStyle &style) {
    auto *label = new KitLabel(text, style, Color::Gray::hex505050());
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    return label;
}
} // namespace

CloudSettings::ViewModel::ViewModel(SettingsModel &settings, QObject *parent)
    : QObject(parent), settingsLoader(settings.settingsLoader()), name(settings.name()) {
    QPointer<ViewModel> self(this);
    observe(&settings, &SettingsModel::settingsLoader, &SettingsModel::settingsLoaderChanged, this, [self](bool value) {
        if (!self)
            return;
        self->settingsLoader = value;
        if (self->changed)
            self->changed();
    });
    observe(&settings, &SettingsModel::name, &SettingsModel::nameChanged, this, [self](const QString &value) {
        if (!self)
            return;
        self->name = value;
        if (self->changed)
            self->changed();
    });
}

CloudSettings::CloudSettings(SettingsModel &settings, QWidget *parent)
    : QWidget(parent), m_settings(settings), m_viewModel(new ViewModel(settings, this)),
      m_stack(new QStackedLayout(this)), m_cover(new LoadingCover()),
      m_report(new ControlsReport(this, diagnostics::settingsPage(QStringLiteral("Cloud account")))) {
    setObjectName(QStringLiteral("page"));
    m_signedOut = makeSignedOut();
    m_signedIn = makeSignedIn();
    m_cover->setObjectName(QStringLiteral("loading"));
    m_stack->addWidget(m_signedOut);
    m_stack->addWidget(m_signedIn);
    m_stack->addWidget(m_cover);
    m_viewModel->changed = [this] { apply(); };
    apply();
}

CloudSettings::State CloudSettings::state() const {
    if (m_viewModel->settingsLoader)
        return State::Loading;
    // Decided by the name alone, not by the token.
    return m_viewModel->name.isEmpty() ? State::SignedOut : State::SignedIn;
}

void CloudSettings::apply() {
    if (m_greeting)
        m_greeting->setText(QStringLiteral("🦊\nHello, ") + m_viewModel->name + QLatin1Char('!'));
    const State now = state();
    m_stack->setCurrentWidget(now == State::Loading ? m_cover : now == State::SignedOut ? m_signedOut : m_signedIn);
    if (static_cast<int>(now) != m_shownState) {
        m_shownState = static_cast<int>(now);
        static const char *names[] = {"loading", "signed out", "signed in"};
        diagnostics::print(diagnostics::cloudAccount(QLatin1String(names[m_shownState])));
    }
    m_report->request();
}

QWidget *CloudSettings::makeSignedOut() {
    auto *page = new QWidget();
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 19);
    column->setSpacing(0);
    column->addLayout(supportRow(page));
    column->addSpacing(118);
    column->addWidget(centred(QStringLiteral("⛅\nScreenshot Cloud"), TextStyle::hero()), 0, Qt::AlignHCenter);
    column->addSpacing(20);
    column->addWidget(centred(QStringLiteral(
                                  "Please Sign in to start uploading your screenshots \nto the Quillnest Cloud."),
                              TextStyle::contentS()),
                      0, Qt::AlignHCenter);
    column->addSpacing(28);
    auto *signIn = new MorvaneButton(QStringLiteral("Sign In"), MorvaneButtonType::Primary, ColorScheme::Light);
    signIn->setObjectName(QStringLiteral("signIn"));
    signIn->setFixedSize(144, 36);
    connect(signIn, &MorvaneButton::clicked, this, [] { SettingsRequests::shared().requestLogin(); });
    column->addWidget(signIn, 0, Qt::AlignHCenter);
    column->addStretch(1);
    column->addWidget(centred(QStringLiteral("After you Sign In to your account through the browser once, \nthe "
                                             "Quillnest app will log in automatically at every launch thereafter."),
                              TextStyle::contentXS()),
                      0, Qt::AlignHCenter);
    return page;
}

QWidget *CloudSettings::makeSignedIn() {
    auto *page = new QWidget();
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *header = new QWidget();
    header->setFixedHeight(188);
    auto *headerColumn = new QVBoxLayout(header);
    headerColumn->setContentsMargins(0, 0, 0, 0);
    headerColumn->setSpacing(6);
    headerColumn->addLayout(supportRow(header));
    headerColumn->addSpacing(12);
    m_greeting = centred(QString(), TextStyle::hero());
    m_greeting->setObjectName(QStringLiteral("greeting"));
    headerColumn->addWidget(m_greeting, 0, Qt::AlignHCenter);
    auto *account = new QHBoxLayout();
    account->setSpacing(0);
    account->addStretch(1);
    account->addWidget(
        new KitLabel(QStringLiteral("You are logged in. "), TextStyle::contentS(), Color::Gray::hex8D8D8D()));
    auto *logOut =
        new LinkButton(QStringLiteral("Log Out?"), TextStyle::contentSUnderlined(), Color::Gray::hex8D8D8D());
    logOut->setObjectName(QStringLiteral("logOut"));
    connect(logOut, &LinkButton::clicked, this, [] { SettingsRequests::shared().requestLogout(); });
    account->addWidget(logOut);
    account->addStretch(1);
    headerColumn->addLayout(account);
    headerColumn->addStretch(1);
    column->addWidget(header);

    auto *panel = new QWidget();
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, Qt::white);
    panel->setPalette(pal);
    auto *panelColumn = new QVBoxLayout(panel);
    panelColumn->setContentsMargins(0, 24, 0, 19);
    panelColumn->setSpacing(0);
    panelColumn->addWidget(new Divider(Color::Button::hexE7E7E7(), 328, 1), 0, Qt::AlignHCenter);
    panelColumn->addStretch(1);
    auto *bottom = new QHBoxLayout();
    bottom->setContentsMargins(24, 0, 20, 0);
    auto *deleteAccount =
        new LinkButton(QStringLiteral("Delete my account"), TextStyle::contentS(), Color::Gray::hex8D8D8D());
    deleteAccount->setObjectName(QStringLiteral("deleteAccount"));
    connect(deleteAccount, &LinkButton::clicked, this,
            [] { UrlOpener::open(Defines::webHost() + QStringLiteral("/settings")); });
    bottom->addWidget(deleteAccount);
    bottom->addStretch(1);
    auto *refresh =
        new MorvaneButton(QStringLiteral("Refresh settings"), MorvaneButtonType::Secondary, ColorScheme::Light);
    refresh->setObjectName(QStringLiteral("refresh"));
    refresh->setFixedSize(128, 24);
    connect(refresh, &MorvaneButton::clicked, this, &CloudSettings::refreshSettings);
    bottom->addWidget(refresh);
    panelColumn->addLayout(bottom);
    column->addWidget(panel, 1);
    return page;
}

void CloudSettings::refreshSettings() {
    m_settings.setSettingsLoader(true);
    SettingsRequests::shared().requestProjectsReload();
    QPointer<SettingsModel> settings(&m_settings);
    QTimer::singleShot(2000, &m_settings, [settings] {
        if (settings)
            settings->setSettingsLoader(false);
    });
}

void CloudSettings::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), Color::Gray::hexF6F6F6());
}

void CloudSettings::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    m_report->request();
}

} // namespace qn
