#pragma once
// The kit's multi-line text input: Return starts a new line, Tab and Shift-Tab emit
// tabPressed() and insert nothing, pastes are plain text. The text sits 10 in from
// the top and 14 from the sides (where the placeholder sits too), with 5 between
// lines. Its Primary look is that of MorvaneTextField; its text stays readable in dark.
// A disabled area (setEnabled(false)) shows the disabled look and takes no input.
#include "uikit/TextInputBase.h"

#include <QSizeF>
#include <QTextEdit>

namespace qn {

class MorvaneTextArea : public TextInputBase<QTextEdit> {
    Q_OBJECT
    Q_PROPERTY(int currentPosition READ currentPosition WRITE setCurrentPosition NOTIFY currentPositionChanged)
public:
    static constexpr qreal kLineSpacing = 5;

    explicit MorvaneTextArea(const QString &placeholder = {}, MorvaneTextAreaType type = MorvaneTextAreaType::Primary,
                             QWidget *parent = nullptr);

    // The text, line breaks included. Setting it keeps the caret where it can.
    QString text() const { return toPlainText(); }
    void setText(const QString &text);
    // Room between the edge and the text: (10, 10) by default; the sides get 4 more.
    QSizeF textContainerInset() const { return m_inset; }
    void setTextContainerInset(const QSizeF &inset);

    bool isPlaceholderShown() const;
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
    void editingSet(bool editing) override { emit editingChanged(editing); }
    void focusWasGained() override { emit focusGained(); }
    void currentPositionSet(int position) override { emit currentPositionChanged(position); }
    void tabWasPressed(bool backward) override { emit tabPressed(backward); }

    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    void applyDocumentFormat();

    QSizeF m_inset{10, 10};
};

} // namespace qn
