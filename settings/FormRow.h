#pragma once
#include "uikit/ColorScheme.h"

#include <QWidget>

namespace qn {

class KitLabel;

// A settings row: its title with an explanatory text under it on the left and its
// control on the right. The row is drawn either as a card of its own (SectionsBack:
// rounded, bordered, following the colour scheme) or plain (only a minimum height),
// as the page that holds it chooses.
class FormRow : public QWidget {
    Q_OBJECT
public:
    enum class Look { SectionsBack, Plain };

    // Takes ownership of `description` (may be none) and `content`. The title is
    // fixed for the row's life. Top alignment lowers the title by 1 and puts the
    // control at the top of the row.
    FormRow(const QString &title, Qt::Alignment alignment, QWidget *description, QWidget *content,
            Look look = Look::SectionsBack, QWidget *parent = nullptr);

    QString title() const;
    Look look() const { return m_look; }
    QWidget *content() const { return m_content; }
    void setColorScheme(ColorScheme scheme);
    ColorScheme colorScheme() const { return m_scheme; }

    // The card's fill and border for a scheme.
    static QColor cardFill(ColorScheme scheme);
    static QColor cardBorder(ColorScheme scheme);

    static constexpr int kPadding = 10;
    static constexpr int kMinimumHeight = 20;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    KitLabel *m_title;
    QWidget *m_content;
    Look m_look;
    ColorScheme m_scheme = ColorScheme::Light;
};

// Under their view-modifier names.
inline constexpr FormRow::Look SectionsBack = FormRow::Look::SectionsBack;
inline constexpr FormRow::Look Plain = FormRow::Look::Plain;

} // namespace qn
