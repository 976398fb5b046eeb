#pragma once
#include "annotation/PointTool.h"

#include <QWidget>

class QLabel;
class QAbstractButton;
class QPlainTextEdit;

namespace qn {

class DrawnEditor;

// The card in which the comment of one comment point is read and written: the text
// (an editor while editing), a divider, five emoji buttons, delete and "Save". A point
// being placed opens in editing; an existing point opens in viewing and a click on
// its text starts editing. Return saves, Escape ends the edit; a click outside the
// card stores a changed comment of an existing point.
class PointComment : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 275;
    static constexpr int kMinimumHeight = 97;
    // The shadow's blur, in pixels across the whole soft edge.
    static constexpr int kShadowBlur = 8;
    static const QStringList &emojis();

    PointComment(DrawnEditor &editor, QWidget *parent = nullptr);
    ~PointComment() override;

    // Shows the card for `point` with its top-left corner at `origin`. A different
    // point (by identity, selection or position) resets the mode and the text.
    void setPoint(const PointTool &point, QPointF origin);
    const PointTool &point() const { return m_point; }
    void setDark(bool dark);

    bool editing() const { return m_edit; }
    QString text() const { return m_text; }
    bool isSaveDisabled() const;

    // The card's actions, as its buttons and keys run them.
    void save();
    void remove();
    void typeText(const QString &text);
    void startEditing();

    QPlainTextEdit *textEdit() const { return m_editor; }
    QAbstractButton *saveButton() const { return m_save; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void setEditing(bool edit);
    void textEdited();
    void updateLook();
    void fitEditor();

    DrawnEditor &m_tools;
    PointTool m_point;
    bool m_hasPoint = false;
    QString m_text;
    bool m_edit = false;
    bool m_dark = false;
    bool m_updating = false;
    quint64 m_lastPress = 0;

    QWidget *m_area;
    QLabel *m_shown;
    QPlainTextEdit *m_editor;
    QWidget *m_divider;
    QList<QAbstractButton *> m_emojiButtons;
    QAbstractButton *m_delete;
    QAbstractButton *m_save;
};

} // namespace qn
