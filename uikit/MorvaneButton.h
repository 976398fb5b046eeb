#pragma once
// The kit's push button: a text (or any label widget) on one of the kit looks, with
// hover tracking. Give it the size its label should have (setFixedSize); the look adds
// none. A click first ends text editing elsewhere in its window, then emits clicked().
// A disabled button (setEnabled(false)) shows the disabled look and ignores clicks.
#include "uikit/ButtonStyles.h"
#include "uikit/Typography.h"

#include <QAbstractButton>
#include <QPointer>
#include <memory>
#include <optional>

namespace qn {

class MorvaneButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit MorvaneButton(MorvaneButtonType type = MorvaneButtonType::Plain,
                           ColorScheme colorScheme = ColorScheme::Light, QWidget *parent = nullptr);
    MorvaneButton(const QString &text, MorvaneButtonType type, ColorScheme colorScheme = ColorScheme::Light,
                  QWidget *parent = nullptr);

    MorvaneButtonType type() const { return m_type; }
    void setType(MorvaneButtonType type);
    // The scheme the Primary, Secondary and Toolbar looks draw for. ToolbarBordered
    // draws for the scheme of its surroundings instead.
    ColorScheme colorScheme() const { return m_scheme; }
    void setColorScheme(ColorScheme scheme);
    // True while the pointer is over the button; a starting value may be given.
    bool isHovered() const { return m_hovered; }
    void setHovered(bool hovered);

    // The text label's style (buttons and forms by default).
    TextStyle textStyle() const { return m_textStyle; }
    void setTextStyle(const TextStyle &style);
    // A fixed label colour in place of the look's.
    void setLabelColor(const std::optional<QColor> &color);
    // Any widget as the label, filling the button; its text colours follow the look.
    // The button takes ownership. Clicks pass through it to the button.
    void setLabel(QWidget *label);
    QWidget *label() const { return m_label; }

    // The look as it stands (none for Plain) and the label colour it gives.
    std::unique_ptr<MorvaneButtonStyle> currentStyle() const;
    QColor currentLabelColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void endEditingInWindow();
    void restyle();

    MorvaneButtonType m_type;
    ColorScheme m_scheme;
    bool m_hovered = false;
    TextStyle m_textStyle = TextStyle::buttonsAndForms();
    std::optional<QColor> m_labelColor;
    QPointer<QWidget> m_label;
};

} // namespace qn
