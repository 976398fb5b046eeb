#include "settings/AboutSettings.h"

#include "app/state/Defines.h"
#include "platform/Diagnostics.h"
#include "platform/UrlOpener.h"
#include "settings/ControlsReport.h"
#include "settings/LinkButton.h"
#include "uikit/BundleInfo.h"
#include "uikit/Color.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSvgRenderer>
#include <QVBoxLayout>

namespace qn {

namespace {
constexpr int kBannerHeight = 280;

// An invisible area of the banner that opens a page; the pointer turns into a hand
// over it.
class BannerArea : public QAbstractButton {
public:
    explicit BannerArea(QWidget *parent) : QAbstractButton(parent) {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    void paintEvent(QPaintEvent *) override {}
};

// The banner picture, stretched across the page, with its click areas on top.
class Banner : public QWidget {
public:
    explicit Banner(QWidget *parent = nullptr)
        : QWidget(parent), m_svg(QStringLiteral(":/images/banner@settings.svg")) {
        setFixedHeight(kBannerHeight);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        if (m_svg.isValid())
            m_svg.render(&p, QRectF(rect()));
    }

private:
    QSvgRenderer m_svg;
};
} // namespace

AboutSettings::AboutSettings(const BundleInfo *bundle, QWidget *parent)
    : QWidget(parent), m_bundle(bundle ? *bundle : BundleInfo::main()),
      m_report(new ControlsReport(this, diagnostics::settingsPage(QStringLiteral("About")))) {
    setObjectName(QStringLiteral("page"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *supportRow = new QHBoxLayout();
    supportRow->setContentsMargins(21, 15, 21, 10);
    supportRow->addStretch(1);
    auto *support = new LinkButton(QStringLiteral("Support"), TextStyle::contentS(), Color::Gray::hexB7B7B7());
    support->setObjectName(QStringLiteral("support"));
    supportRow->addWidget(support);
    column->addLayout(supportRow);
    connect(support, &LinkButton::clicked, this, [] { UrlOpener::open(QStringLiteral("mailto:") + Defines::supportMail()); });

    auto *identity = new QVBoxLayout();
    identity->setContentsMargins(0, 0, 0, 39);
    identity->setSpacing(0);
    const QIcon icon = BundleInfo::appIcon();
    if (!icon.isNull()) {
        auto *iconView = new QLabel();
        iconView->setObjectName(QStringLiteral("appIcon"));
        iconView->setFixedSize(80, 80);
        iconView->setScaledContents(true);
        iconView->setPixmap(icon.pixmap(QSize(80, 80), devicePixelRatioF()));
        identity->addWidget(iconView, 0, Qt::AlignHCenter);
        identity->addSpacing(9);
    }
    m_version = new LinkButton(shortVersionText(m_bundle), TextStyle::contentMLoose(), Color::Gray::hex282828());
    m_version->setObjectName(QStringLiteral("version"));
    identity->addWidget(m_version, 0, Qt::AlignHCenter);
    column->addLayout(identity);
    connect(m_version, &LinkButton::clicked, this, [this] {
        m_showFullVersion = !m_showFullVersion;
        m_version->setText(m_showFullVersion ? fullVersionText(m_bundle) : shortVersionText(m_bundle));
        m_version->updateGeometry();
        m_report->request();
    });

    column->addStretch(1);
    auto *banner = new Banner();
    banner->setObjectName(QStringLiteral("banner"));
    column->addWidget(banner);

    // The top area opens the maker's site; four app areas sit at the banner's foot.
    const QStringList addresses = bannerAddresses();
    auto *top = new BannerArea(banner);
    top->setGeometry(0, 0, 534, 150);
    top->setObjectName(QStringLiteral("bannerSite"));
    m_areas << top;
    // Under the four app pictures of the banner; the last one kept inside the page.
    const int xs[] = {0, 165, 335, 434};
    for (int i = 0; i < 4; ++i) {
        auto *area = new BannerArea(banner);
        area->setGeometry(xs[i], 248, 100, 32);
        area->setObjectName(QStringLiteral("bannerApp%1").arg(i + 1));
        m_areas << area;
    }
    for (int i = 0; i < m_areas.size(); ++i) {
        const QString address = addresses.value(i);
        connect(m_areas[i], &QAbstractButton::clicked, this, [address] { UrlOpener::open(address); });
    }
}

QStringList AboutSettings::bannerAddresses() {
    const QString site = Defines::productWebsite();
    return {site, site + QStringLiteral("/apps/quillnest"), site + QStringLiteral("/apps/lantern"),
            site + QStringLiteral("/apps/inkpot"), site + QStringLiteral("/apps/tally")};
}

QString AboutSettings::shortVersionText(const BundleInfo &bundle) {
    return bundle.appName().value_or(QString()) + QLatin1Char(' ') + bundle.appVersion().value_or(QString());
}

QString AboutSettings::fullVersionText(const BundleInfo &bundle) {
    return shortVersionText(bundle) + QStringLiteral(" (build ") + bundle.buildNumber().value_or(QStringLiteral("-")) +
           QLatin1Char(')');
}

void AboutSettings::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), Color::Gray::hexF6F6F6());
}

void AboutSettings::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    m_report->request();
}

} // namespace qn
