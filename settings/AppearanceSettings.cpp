#include "settings/AppearanceSettings.h"

#include "app/state/Defines.h"
#include "app/state/SettingsModel.h"
#include "platform/Analytics.h"
#include "platform/Diagnostics.h"
#include "platform/UrlOpener.h"
#include "settings/CustomLogo.h"
#include "settings/FormRow.h"
#include "settings/LinkButton.h"
#include "settings/SettingsRequests.h"
#include "settings/Switch.h"
#include "uikit/Color.h"
#include "uikit/Divider.h"
#include "uikit/KitLabel.h"
#include "uikit/MorvaneButton.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QRadioButton>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTimer>
#include <QVBoxLayout>

namespace qn {

namespace {
// The page's two cards: #F2F2F2 with a 1-wide #DBDBDB edge and corners of 6,
// whatever the colour scheme.
class Card : public QWidget {
protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Color::Button::hexDBDBDB(), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Color::Button::hexF2F2F2());
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
};

// The action bar in its two looks, one above the other, cut at the card's edge.
class ThemePreview : public QWidget {
public:
    ThemePreview()
        : m_dark(QStringLiteral(":/images/bottom-menu-dark@settings.svg")),
          m_light(QStringLiteral(":/images/bottom-menu-light@settings.svg")) {
        setFixedSize(353, 97);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setClipRect(rect());
        if (m_dark.isValid())
            m_dark.render(&p, QRectF(0, 41, 586, 48));
        if (m_light.isValid())
            m_light.render(&p, QRectF(44, 8, 586, 48));
    }

private:
    QSvgRenderer m_dark;
    QSvgRenderer m_light;
};

QPixmap svgPixmap(const QString &path, QSize size, qreal dpr) {
    QSvgRenderer svg(path);
    QPixmap pixmap(size * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    svg.render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

KitLabel *watermarkDescription(const QString &text) {
    auto *label = new KitLabel(text, TextStyle::contentXS(), Color::Gray::hex282828());
    return label;
}
} // namespace

AppearanceSettings::AppearanceSettings(SettingsModel &env, QWidget *parent)
    : SettingsPage(QStringLiteral("Appearance"), QStringLiteral("Appearance"),
                   QStringLiteral("Reset and Refresh appearance"), 8, 0, parent),
      m_env(env) {
    body()->setSpacing(10);
    body()->addWidget(makeLogoCard());
    body()->addWidget(makeThemeCard());
    connect(resetLink(), &LinkButton::clicked, this, &AppearanceSettings::resetAppearance);
    connect(&m_env, &SettingsModel::logoChanged, this, &AppearanceSettings::refreshLogo);
    refreshLogo();
}

QWidget *AppearanceSettings::makeLogoCard() {
    auto *card = new Card();
    auto *column = new QVBoxLayout(card);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *block = new QWidget();
    block->setMaximumHeight(153);
    auto *blockRow = new QHBoxLayout(block);
    blockRow->setContentsMargins(0, 10, 0, 10);
    blockRow->setSpacing(0);

    auto *left = new QWidget();
    auto *leftColumn = new QVBoxLayout(left);
    leftColumn->setContentsMargins(0, 16, 0, 0);
    leftColumn->setSpacing(0);
    m_logoText = new KitLabel(QString(), TextStyle::contentL(), Color::Gray::hex505050());
    m_logoText->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    leftColumn->addWidget(m_logoText, 0, Qt::AlignHCenter);
    leftColumn->addSpacing(11);
    m_logoButton = new MorvaneButton(QString(), MorvaneButtonType::Secondary, ColorScheme::Light);
    m_logoButton->setTextStyle(TextStyle::buttonsAndForms(std::nullopt, 1));
    m_logoButton->setFixedSize(96, 24);
    m_logoButton->setObjectName(QStringLiteral("logoButton"));
    leftColumn->addWidget(m_logoButton, 0, Qt::AlignHCenter);
    leftColumn->addSpacing(12);
    auto *example =
        new LinkButton(QStringLiteral("Example"), TextStyle::contentXSUnderlined(), Color::Gray::hex8D8D8D());
    example->setObjectName(QStringLiteral("example"));
    leftColumn->addWidget(example, 0, Qt::AlignHCenter);
    leftColumn->addStretch(1);
    connect(example, &LinkButton::clicked, this, &AppearanceSettings::openExample);
    connect(m_logoButton, &MorvaneButton::clicked, this, [this] {
        if (m_env.logo())
            deleteLogo();
        else
            browseLogo();
    });

    auto *right = new QWidget();
    auto *rightColumn = new QVBoxLayout(right);
    rightColumn->setContentsMargins(0, 0, 0, 0);
    m_preview = new QLabel();
    m_preview->setObjectName(QStringLiteral("logoPreview"));
    m_preview->setAlignment(Qt::AlignCenter);
    auto *shadow = new QGraphicsDropShadowEffect(m_preview);
    shadow->setColor(QColor(0, 0, 0, 13));
    shadow->setBlurRadius(8);
    shadow->setOffset(0, 3);
    m_preview->setGraphicsEffect(shadow);
    rightColumn->addWidget(m_preview, 1, Qt::AlignCenter);
    m_warningView = new QWidget();
    m_warningView->setObjectName(QStringLiteral("logoWarning"));
    auto *warningColumn = new QVBoxLayout(m_warningView);
    warningColumn->setSpacing(3);
    auto *emoji = new KitLabel(QStringLiteral("\U0001F976"), TextStyle{20}, Color::Gray::hex282828());
    emoji->setAlignment(Qt::AlignCenter);
    m_warningText = new KitLabel(QString(), TextStyle::contentS(), Color::Gray::hex505050());
    m_warningText->setAlignment(Qt::AlignCenter);
    warningColumn->addStretch(1);
    warningColumn->addWidget(emoji, 0, Qt::AlignHCenter);
    warningColumn->addWidget(m_warningText, 0, Qt::AlignHCenter);
    warningColumn->addStretch(1);
    m_warningView->hide();
    rightColumn->addWidget(m_warningView, 1);

    blockRow->addWidget(left, 1);
    blockRow->addWidget(new Divider(Color::Button::hexE7E7E7(), 1, 133), 0, Qt::AlignTop);
    blockRow->addWidget(right, 1);
    column->addWidget(block);

    const QString domain = QLatin1Char('"') + Defines::productWebsiteTitle() + QLatin1Char('"');
    m_uploadWatermark = new Switch();
    m_uploadWatermark->setObjectName(QStringLiteral("uploadWatermark"));
    m_localWatermark = new Switch();
    m_localWatermark->setObjectName(QStringLiteral("localWatermark"));
    const auto addRow = [&](const QString &title, const QString &text, Switch *control) {
        column->addWidget(new Divider(Color::Button::hexE7E7E7(), 474, 1), 0, Qt::AlignHCenter);
        auto *holder = new QWidget();
        auto *holderLayout = new QVBoxLayout(holder);
        holderLayout->setContentsMargins(10, 9, 10, 10);
        holderLayout->addWidget(
            new FormRow(title, Qt::AlignTop, watermarkDescription(text), control, FormRow::Look::Plain));
        column->addWidget(holder);
    };
    addRow(QStringLiteral("Display watermark on screenshots uploaded to Cloud"),
           QStringLiteral("On all screenshots uploaded to Cloud will bedisplayed \nthe watermark (logo) you set. By "
                          "default, it's shown as ") +
               domain + QStringLiteral(" signature"),
           m_uploadWatermark);
    addRow(QStringLiteral("Display watermark on screenshots copied to Clipboard"),
           QStringLiteral("The default watermark is set to ") + domain, m_localWatermark);
    bindSwitch(m_uploadWatermark, &m_env, &SettingsModel::uploadWatermark, &SettingsModel::uploadWatermarkChanged,
               &SettingsModel::setUploadWatermark);
    bindSwitch(m_localWatermark, &m_env, &SettingsModel::localWatermark, &SettingsModel::localWatermarkChanged,
               &SettingsModel::setLocalWatermark);
    return card;
}

QWidget *AppearanceSettings::makeThemeCard() {
    auto *card = new Card();
    card->setObjectName(QStringLiteral("themeCard"));
    card->setFixedHeight(97);
    auto *row = new QHBoxLayout(card);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto *left = new QWidget();
    auto *leftColumn = new QVBoxLayout(left);
    leftColumn->setContentsMargins(10, 10, 0, 4);
    leftColumn->setSpacing(3);
    leftColumn->addWidget(new KitLabel(QStringLiteral("App theme"), TextStyle::contentS(), Color::Gray::hex282828()));
    auto *group = new QButtonGroup(card);
    const struct {
        const char *label;
        const char *name;
        Appearance value;
    } options[] = {{"Auto", "themeAuto", Appearance::None},
                   {"Dark", "themeDark", Appearance::Dark},
                   {"Light", "themeLight", Appearance::Light}};
    auto *buttons = new QVBoxLayout();
    buttons->setSpacing(0);
    for (int i = 0; i < 3; ++i) {
        auto *radio = new QRadioButton(QString::fromLatin1(options[i].label));
        radio->setFixedHeight(20);
        radio->setObjectName(QString::fromLatin1(options[i].name));
        TextStyle::contentS().apply(radio, Color::Gray::hex282828());
        radio->setCursor(Qt::PointingHandCursor);
        group->addButton(radio, i);
        buttons->addWidget(radio);
        m_themes[i] = radio;
        const Appearance value = options[i].value;
        connect(radio, &QRadioButton::clicked, this, [this, value] { m_env.setAppearance(value); });
    }
    leftColumn->addLayout(buttons);
    leftColumn->addStretch(1);
    observe(&m_env, &SettingsModel::appearance, &SettingsModel::appearanceChanged, this, [this](Appearance value) {
        const int index = value == Appearance::Dark ? 1 : value == Appearance::Light ? 2 : 0;
        m_themes[index]->setChecked(true);
    });
    row->addWidget(left);
    row->addStretch(1);
    row->addWidget(new ThemePreview(), 0, Qt::AlignTop);
    return card;
}

void AppearanceSettings::showEvent(QShowEvent *event) {
    refreshLogo();
    SettingsPage::showEvent(event);
}

std::optional<QImage> AppearanceSettings::loadLogoImage() {
    const std::optional<QString> path = m_env.logo();
    if (path && SettingsModel::isReadableLogoFile(*path)) {
        QImageReader reader(*path);
        const QImage image = reader.read();
        if (!image.isNull())
            return image;
    }
    if (path) {
        // A logo that vanished or broke behind our back is forgotten, so the page
        // offers "Browse" again and exports stop looking for it.
        QPointer<SettingsModel> env(&m_env);
        QTimer::singleShot(0, &m_env, [env] {
            if (env)
                env->setLogo(std::nullopt);
        });
    }
    return std::nullopt;
}

void AppearanceSettings::refreshLogo() {
    m_logo = loadLogoImage();
    const bool set = m_env.logo().has_value();
    m_logoText->setText(set ? QStringLiteral("Nice logo 🙂\nEnjoy using quillnest")
                            : QStringLiteral("You can display your \nown logo as a watermark"));
    m_logoButton->setText(set ? QStringLiteral("Delete logo") : QStringLiteral("Browse"));
    const qreal dpr = devicePixelRatioF();
    if (m_logo) {
        QSize size = m_logo->size();
        size.scale(QSize(49, 49), Qt::KeepAspectRatio);
        QPixmap pixmap = QPixmap::fromImage(m_logo->scaled(size * dpr, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        pixmap.setDevicePixelRatio(dpr);
        m_preview->setPixmap(pixmap);
    } else {
        m_preview->setPixmap(svgPixmap(QStringLiteral(":/images/file-icon@settings.svg"), QSize(37, 49), dpr));
    }
    diagnostics::print(diagnostics::logo(set));
    reportControls();
}

QString AppearanceSettings::warningText(Warning warning) {
    switch (warning) {
    case Warning::TooLarge:
        return QStringLiteral("You are trying to upload \nan unsupported image size. \nMax 160x160 px size allowed.");
    case Warning::NotAnImage:
        return QStringLiteral("This file is not an image \nQuillnest can read. \nChoose a PNG or JPEG file.");
    case Warning::WriteFailed: return QStringLiteral("The logo could not be saved. \nThe disk may be full.");
    case Warning::None: break;
    }
    return QString();
}

void AppearanceSettings::showWarning(Warning warning) {
    m_warning = warning;
    m_warningText->setText(warningText(warning));
    m_preview->hide();
    m_warningView->show();
    diagnostics::print(diagnostics::logoWarningShown(warningText(warning).section(QLatin1Char('\n'), 0, 0).trimmed()));
    // Each warning schedules its own end; the first one due ends what is shown.
    QTimer::singleShot(kWarningMs, this, [this] {
        if (m_warning == Warning::None)
            return;
        m_warning = Warning::None;
        m_warningView->hide();
        m_preview->show();
        diagnostics::print(diagnostics::logoWarningHidden());
    });
}

void AppearanceSettings::browseLogo() {
    // Over the window that holds the page, however it was opened.
    QWidget *window = this->window();
    auto *dialog = new QFileDialog(window, QStringLiteral("Choose a logo"));
    dialog->setObjectName(QStringLiteral("logoDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilter(QStringLiteral("Images (*.png *.jpg *.jpeg)"));
    dialog->setWindowModality(Qt::WindowModal);
    // Where pictures usually are, not wherever the program happened to be started.
    QString start = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = QDir::homePath();
    dialog->setDirectory(start);
    QPointer<AppearanceSettings> self(this);
    connect(dialog, &QFileDialog::fileSelected, this, [self](const QString &file) {
        if (self)
            self->applyChosenLogo(file);
    });
    connect(dialog, &QFileDialog::rejected, this, [self] {
        if (self)
            self->applyChosenLogo(std::nullopt);
    });
    dialog->open();
    diagnostics::print(diagnostics::logoDialogShown());
}

void AppearanceSettings::applyChosenLogo(const std::optional<QString> &file) {
    if (!file || file->isEmpty()) {
        diagnostics::print(diagnostics::logoDialogCancelled());
        return;
    }
    const CustomLogo::Outcome outcome = CustomLogo::store(*file);
    switch (outcome.result) {
    case CustomLogo::Result::Stored: {
        m_env.setLogo(outcome.path);
        QTimer::singleShot(0, this, [] { Analytics::shared().logEvent(QStringLiteral("add_custom_logo")); });
        return;
    }
    case CustomLogo::Result::TooLarge:
        diagnostics::report(diagnostics::logoTooLarge(outcome.details));
        showWarning(Warning::TooLarge);
        break;
    case CustomLogo::Result::NotAnImage:
        diagnostics::report(diagnostics::logoRefused(outcome.details));
        showWarning(Warning::NotAnImage);
        break;
    case CustomLogo::Result::WriteFailed:
        diagnostics::report(diagnostics::logoNotWritten(outcome.details));
        showWarning(Warning::WriteFailed);
        break;
    }
}

void AppearanceSettings::deleteLogo() {
    m_env.setLogo(std::nullopt);
    QTimer::singleShot(0, this, [] { Analytics::shared().logEvent(QStringLiteral("delete_custom_logo")); });
}

void AppearanceSettings::resetAppearance() {
    m_env.setUploadWatermark(true);
    m_env.setLocalWatermark(true);
    m_env.setAppearance(Appearance::None);
    SettingsRequests::shared().requestProjectsReload();
}

QString AppearanceSettings::exampleAddress() { return Defines::productWebsite() + QStringLiteral("/s/example"); }

void AppearanceSettings::openExample() { UrlOpener::open(exampleAddress()); }

} // namespace qn
