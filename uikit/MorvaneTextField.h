#pragma once
// The kit's one-line text input. In its Primary look it draws a rounded fill that
// follows its state (idle, editing, error, disabled), a hairline edge and a
// placeholder while empty and not being edited. Return emits submitted() (no line
// break is ever inserted), Tab and Shift-Tab emit tabPressed() and never move the
// focus by themselves, and every paste inserts plain text without line breaks.
// With setOrder() it takes the focus whenever the FocusIndex above it is set to its order.
// A disabled field (setEnabled(false)) shows the disabled look and takes no input.
#include "uikit/TextInputBase.h"

#include <QLineEdit>

class QMimeData;

namespace qn {

class MorvaneTextField : public TextInputBase<QLineEdit> {
    Q_OBJECT
    Q_PROPERTY(int currentPosition READ currentPosition WRITE setCurrentPosition NOTIFY currentPositionChanged)
public:
    explicit MorvaneTextField(const QString &placeholder = {}, MorvaneTextViewType type = MorvaneTextViewType::Primary,
                              QWidget *parent = nullptr);

    bool isPlaceholderShown() const;
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
    void editingSet(bool editing) override { emit editingChanged(editing); }
    void focusWasGained() override { emit focusGained(); }
    void currentPositionSet(int position) override { emit currentPositionChanged(position); }
    void tabWasPressed(bool backward) override { emit tabPressed(backward); }

    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void insertPlain(const QMimeData *data);
};

} // namespace qn
