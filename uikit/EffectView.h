#pragma once
// A backdrop in one of the desktop's material colours. Qt cannot blur what lies behind
// a window, so the material is a fill: translucent where the window is translucent
// (a compositor shows the desktop through it), opaque otherwise.
#include "uikit/ColorScheme.h"

#include <QWidget>

namespace qn {

enum class EffectViewType { LightDark, Light, Dark };
enum class EffectMaterial { FullScreenUI, HudWindow, Popover, Sidebar, Menu, WindowBackground, UnderWindowBackground };
enum class EffectBlendingMode { BehindWindow, WithinWindow };

class MorvaneEffectView : public QWidget {
    Q_OBJECT
public:
    // Material, blending mode and appearance policy are fixed at creation; the scheme
    // that LightDark follows may change.
    MorvaneEffectView(EffectMaterial material, EffectBlendingMode blendingMode, EffectViewType modeType,
                      ColorScheme colorScheme, QWidget *parent = nullptr);

    EffectMaterial material() const { return m_material; }
    EffectBlendingMode blendingMode() const { return m_blending; }
    EffectViewType modeType() const { return m_modeType; }
    ColorScheme colorScheme() const { return m_scheme; }
    void setColorScheme(ColorScheme scheme);
    // The appearance drawn: the policy applied to the scheme.
    ColorScheme appearance() const;
    // The fill drawn for the material, appearance and window.
    QColor fillColor() const;

    // The colour of a material; `translucent` for a window that shows what lies behind it.
    static QColor materialColor(EffectMaterial material, ColorScheme appearance, bool translucent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    EffectMaterial m_material;
    EffectBlendingMode m_blending;
    EffectViewType m_modeType;
    ColorScheme m_scheme;
};

} // namespace qn
