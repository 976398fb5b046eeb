#pragma once
// The kit's one-line text input. In its Primary look it draws a rounded fill that
// follows its state (idle, editing, error, disabled), a hairline edge and a
// placeholder while empty and not being edited. Return emits submitted() (no line
// break is ever inserted), Tab and Shift-Tab emit tabPressed() and never move the
// focus by themselves, and every paste inserts plain text without line breaks.
// With setOrder() it takes the focus whenever the FocusIndex above it equals its order.
// A disabled field (setEnabled(false)) shows the disabled look and takes no input.
#include "uikit/ColorScheme.h"
#include "uikit/TextInputLook.h"

#include <QLineEdit>

class QMimeData;

namespace qn {

class FocusIndexFollower;

class MorvaneTextField : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(int currentPosition READ currentPosition WRITE setCurrentPosition NOTIFY currentPositionChanged)
public:
    explicit MorvaneTextField(const QString &placeholder = {}, MorvaneTextViewType type = MorvaneTextViewType::Primary,
                              QWidget *parent = nullptr);

    MorvaneTextViewType type() const { return m_type; }
    void setType(MorvaneTextViewType type);
    QString placeholder() const { return m_placeholder; }
    void setPlaceholder(const QString &placeholder);
    bool hasError() const { return m_error; }
    void setError(bool error);
    ColorScheme colorScheme() const { return m_scheme; }
    void setColorScheme(ColorScheme scheme);
    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius);
    bool showsBorder() const { return m_showBorder; }
    void setShowBorder(bool show);
    // Its number in the focus order (-1, the default, never takes the focus).
    int order() const;
    void setOrder(int order);
    // A caller's position marker; set to -1 whenever editing ends.
    int currentPosition() const { return m_currentPosition; }
    void setCurrentPosition(int position);

    // True while the field has the focus (also while its context menu is open).
    bool isEditing() const { return m_editing; }
    bool isPlaceholderShown() const;
    QColor fillColor() const;
    QColor textColor() const;

    // Inserts the clipboard's plain text at the caret, without line breaks.
    void pastePlainText();
    // The text a paste inserts: CR and LF removed.
    static QString plainPasteText(const QString &text);

    QSize sizeHint() const override;

signals:
    void submitted();
    void tabPressed(bool backward);
    void editingChanged(bool editing);
    void focusGained();
    void currentPositionChanged(int position);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void insertPlain(const QMimeData *data);
    void setEditing(bool editing);
    void restyle();

    MorvaneTextViewType m_type;
    QString m_placeholder;
    bool m_error = false;
    ColorScheme m_scheme = ColorScheme::Light;
    qreal m_cornerRadius = 4;
    bool m_showBorder = true;
    bool m_editing = false;
    int m_currentPosition = -1;
    FocusIndexFollower *m_focus;
};

} // namespace qn
