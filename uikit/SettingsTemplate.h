#pragma once
// The frame of a settings window: a 182-wide sidebar (application icon, a header, a
// thin rule and the menu, usually a column of SidebarRows) beside a 534-wide content
// column on #F6F6F6. Its natural width is 716; extra width is shared by both columns.
// It is always shown in the light scheme; only the sidebar's backdrop follows the
// scheme it is given.
#include "uikit/ColorScheme.h"

#include <QPointer>
#include <QWidget>

class QLabel;

namespace qn {

class Divider;
class KitLabel;
class WindowBackground;

class SettingsTemplate : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSidebarWidth = 182;
    static constexpr int kContentWidth = 534;

    // Takes ownership of `menu` and `content`. The header text is fixed at creation.
    SettingsTemplate(ColorScheme colorScheme, const QString &label, QWidget *menu, QWidget *content,
                     QWidget *parent = nullptr);

    QWidget *menu() const { return m_menu; }
    QWidget *content() const { return m_content; }
    // Shows another page; the previous content is deleted.
    void setContent(QWidget *content);

    // Where the parts are, for the pages and for tests.
    QRect sidebarRect() const;
    QRect contentRect() const;
    QWidget *sidebar() const;
    QLabel *iconView() const { return m_icon; }
    KitLabel *header() const { return m_header; }
    Divider *rule() const { return m_rule; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void relayout();
    int sidebarNaturalHeight() const;

    WindowBackground *m_sidebar;
    QLabel *m_icon;
    KitLabel *m_header;
    Divider *m_rule;
    QPointer<QWidget> m_menu;
    QPointer<QWidget> m_content;
};

// The template under its longer name.
using SettingsTemplateView = SettingsTemplate;

} // namespace qn
