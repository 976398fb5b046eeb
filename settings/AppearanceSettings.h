#pragma once
#include "settings/SettingsPage.h"

#include <QImage>
#include <optional>

class QLabel;
class QRadioButton;
class QStackedWidget;

namespace qn {

class KitLabel;
class MorvaneButton;
class SettingsModel;
class Switch;

// The "Appearance" page: the user's own watermark logo, the two watermark switches,
// the editor's theme and a reset.
class AppearanceSettings : public SettingsPage {
    Q_OBJECT
public:
    // What replaces the logo preview for 3 s after a refused choice.
    enum class Warning { None, TooLarge, NotAnImage, WriteFailed };

    explicit AppearanceSettings(SettingsModel &env, QWidget *parent = nullptr);

    void browseLogo();
    // The file chosen in the panel (none: cancelled).
    void applyChosenLogo(const std::optional<QString> &file);
    void deleteLogo();
    void resetAppearance();
    void openExample();
    // The image at the stored path; a path that no longer gives an image is forgotten.
    std::optional<QImage> loadLogoImage();

    Warning warning() const { return m_warning; }
    static QString warningText(Warning warning);
    static constexpr int kWarningMs = 3000;
    static QString exampleAddress();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showWarning(Warning warning);
    void refreshLogo();
    QWidget *makeLogoCard();
    QWidget *makeThemeCard();

    SettingsModel &m_env;
    Warning m_warning = Warning::None;
    std::optional<QImage> m_logo;
    KitLabel *m_logoText;
    MorvaneButton *m_logoButton;
    QLabel *m_preview;
    QWidget *m_warningView;
    KitLabel *m_warningText;
    Switch *m_uploadWatermark;
    Switch *m_localWatermark;
    QRadioButton *m_themes[3];
};

} // namespace qn
