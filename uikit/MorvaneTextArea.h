#pragma once
// The kit's multi-line text input: Return starts a new line, Tab and Shift-Tab emit
// tabPressed() and insert nothing, pastes are plain text. The text sits 10 in from
// the top and 14 from the sides (where the placeholder sits too), with 5 between
// lines. Its Primary look is that of MorvaneTextField; its text stays readable in dark.
// A disabled area (setEnabled(false)) shows the disabled look and takes no input.
#include "uikit/ColorScheme.h"
#include "uikit/TextInputLook.h"

#include <QSizeF>
#include <QTextEdit>

namespace qn {

class FocusIndexFollower;

class MorvaneTextArea : public QTextEdit {
    Q_OBJECT
    Q_PROPERTY(int currentPosition READ currentPosition WRITE setCurrentPosition NOTIFY currentPositionChanged)
public:
    static constexpr qreal kLineSpacing = 5;

    explicit MorvaneTextArea(const QString &placeholder = {}, MorvaneTextAreaType type = MorvaneTextAreaType::Primary,
                             QWidget *parent = nullptr);

    // The text, line breaks included. Setting it keeps the caret where it can.
    QString text() const { return toPlainText(); }
    void setText(const QString &text);

    MorvaneTextAreaType type() const { return m_type; }
    void setType(MorvaneTextAreaType type);
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
    // Room between the edge and the text: (10, 10) by default; the sides get 4 more.
    QSizeF textContainerInset() const { return m_inset; }
    void setTextContainerInset(const QSizeF &inset);
    int order() const;
    void setOrder(int order);
    int currentPosition() const { return m_currentPosition; }
    void setCurrentPosition(int position);

    bool isEditing() const { return m_editing; }
    bool isPlaceholderShown() const;
    QColor fillColor() const;
    QColor textColor() const;
    // Where the first line of text starts, in widget coordinates.
    QPointF textOrigin() const;

    QSize sizeHint() const override;

signals:
    void tabPressed(bool backward);
    void editingChanged(bool editing);
    void focusGained();
    void currentPositionChanged(int position);
    // The size the laid-out text takes, after each change.
    void contentSizeChanged(const QSizeF &size);

protected:
    bool event(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    void applyDocumentFormat();
    void setEditing(bool editing);
    void restyle();

    MorvaneTextAreaType m_type;
    QString m_placeholder;
    bool m_error = false;
    ColorScheme m_scheme = ColorScheme::Light;
    qreal m_cornerRadius = 4;
    bool m_showBorder = true;
    QSizeF m_inset{10, 10};
    bool m_editing = false;
    int m_currentPosition = -1;
    FocusIndexFollower *m_focus;
};

} // namespace qn
