#pragma once
// What the kit's text field and text area share, on top of their Qt editor (QLineEdit
// or QTextEdit): the look's settings, the editing state that focus drives, the focus
// order, Tab reporting and the palette that colours the typed text. The concrete input
// turns the four notifications into its signals.
#include "uikit/ColorScheme.h"
#include "uikit/FocusIndex.h"
#include "uikit/TextInputLook.h"

#include <QAbstractScrollArea>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <type_traits>

namespace qn {

template <typename Editor> class TextInputBase : public Editor {
public:
    MorvaneTextViewType type() const { return m_type; }
    void setType(MorvaneTextViewType type) { set(m_type, type); }
    QString placeholder() const { return m_placeholder; }
    void setPlaceholder(const QString &placeholder) { set(m_placeholder, placeholder); }
    bool hasError() const { return m_error; }
    void setError(bool error) { set(m_error, error); }
    // The fills' scheme.
    ColorScheme colorScheme() const { return m_scheme; }
    void setColorScheme(ColorScheme scheme) { set(m_scheme, scheme); }
    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius) { set(m_cornerRadius, radius); }
    bool showsBorder() const { return m_showBorder; }
    void setShowBorder(bool show) { set(m_showBorder, show); }
    // Its number in the focus order (-1, the default, never takes the focus).
    int order() const { return m_focus->order(); }
    void setOrder(int order) { m_focus->setOrder(order); }
    // A caller's position marker; set to -1 whenever editing ends.
    int currentPosition() const { return m_currentPosition; }
    void setCurrentPosition(int position) {
        m_currentPosition = position;
        currentPositionSet(position);
    }

    // True while the input has the focus (also while its context menu is open).
    bool isEditing() const { return m_editing; }
    QColor fillColor() const {
        if (m_type == MorvaneTextViewType::Plain)
            return Qt::transparent;
        return TextInputLook::fill(m_scheme, !this->isEnabled(), m_error, m_editing);
    }
    QColor textColor() const { return TextInputLook::text(m_type, m_scheme, !this->isEnabled(), m_editing); }

protected:
    TextInputBase(MorvaneTextViewType type, const QString &placeholder, QWidget *parent)
        : Editor(parent), m_type(type), m_placeholder(placeholder), m_focus(new FocusIndexFollower(this)) {
        this->setAttribute(Qt::WA_MacShowFocusRect, false);
    }

    // Turned into the concrete input's signals.
    virtual void editingSet(bool editing) = 0;
    virtual void focusWasGained() = 0;
    virtual void currentPositionSet(int position) = 0;
    virtual void tabWasPressed(bool backward) = 0;

    // Tab and Shift-Tab (with any modifier) are reported and consumed: they neither
    // insert anything nor move the focus by themselves.
    bool event(QEvent *event) override {
        if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
                tabWasPressed(key->key() == Qt::Key_Backtab || key->modifiers().testFlag(Qt::ShiftModifier));
                return true;
            }
        }
        return Editor::event(event);
    }
    void focusInEvent(QFocusEvent *event) override {
        focusWasGained();
        Editor::focusInEvent(event);
        if (TextInputLook::beginsEditing(event))
            setEditing(true);
    }
    void focusOutEvent(QFocusEvent *event) override {
        Editor::focusOutEvent(event);
        if (TextInputLook::endsEditing(event)) {
            setEditing(false);
            setCurrentPosition(-1);
        }
    }
    void changeEvent(QEvent *event) override {
        Editor::changeEvent(event);
        if (event->type() == QEvent::EnabledChange)
            restyle();
    }
    // The Primary look's fill and edge over the whole input.
    void paintLook(QPainter &painter) const {
        if (m_type == MorvaneTextViewType::Primary)
            TextInputLook::paintBackground(painter, QRectF(this->rect()), m_cornerRadius, m_showBorder, fillColor());
    }
    // The typed text takes the state's colour; the editor's own background stays clear.
    void restyle() {
        QPalette p = this->palette();
        const QColor text = textColor();
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            p.setColor(group, QPalette::Text, text);
            p.setColor(group, QPalette::Base, Qt::transparent);
            p.setColor(group, QPalette::Window, Qt::transparent);
        }
        this->setPalette(p);
        this->update();
        if constexpr (std::is_base_of_v<QAbstractScrollArea, Editor>)
            this->viewport()->update();
    }

private:
    template <typename T> void set(T &field, const T &value) {
        field = value;
        restyle();
    }
    void setEditing(bool editing) {
        if (m_editing == editing)
            return;
        m_editing = editing;
        restyle();
        editingSet(editing);
    }

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
