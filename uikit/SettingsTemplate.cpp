#include "uikit/SettingsTemplate.h"

#include "uikit/BundleInfo.h"
#include "uikit/Color.h"
#include "uikit/Divider.h"
#include "uikit/KitLabel.h"
#include "uikit/WindowBackground.h"

#include <QLabel>
#include <QPainter>

namespace qn {

namespace {
constexpr int kIconSize = 32;
constexpr int kIconTop = 33;
constexpr int kIconLeading = 17;
constexpr int kHeaderLeading = 20;
constexpr int kHeaderTop = 7;
constexpr int kHeaderBottom = 10;
constexpr int kRuleWidth = 142;
constexpr int kMenuSide = 6;
constexpr int kMenuTop = 10;
} // namespace

SettingsTemplate::SettingsTemplate(ColorScheme colorScheme, const QString &label, QWidget *menu, QWidget *content,
                                   QWidget *parent)
    : QWidget(parent), m_sidebar(new WindowBackground(colorScheme, this)), m_icon(new QLabel(m_sidebar)),
      m_header(new KitLabel(label, TextStyle::contentL(), Color::Gray::hex282828(), m_sidebar)),
      m_rule(new Divider(Color::AppPlah::hex7C7C7COpacity30(), kRuleWidth, 1, m_sidebar)), m_menu(menu),
      m_content(content) {
    setPreferredColorScheme(this, ColorScheme::Light);
    m_icon->setFixedSize(kIconSize, kIconSize);
    m_icon->setPixmap(BundleInfo::appIcon().pixmap(QSize(kIconSize, kIconSize), devicePixelRatioF()));
    m_icon->setScaledContents(true);
    if (m_menu)
        m_menu->setParent(m_sidebar);
    if (m_content)
        m_content->setParent(this);
    relayout();
}

void SettingsTemplate::setContent(QWidget *content) {
    if (content == m_content)
        return;
    delete m_content;
    m_content = content;
    if (m_content) {
        m_content->setParent(this);
        m_content->show();
    }
    relayout();
    updateGeometry();
}

QWidget *SettingsTemplate::sidebar() const { return m_sidebar; }

QRect SettingsTemplate::sidebarRect() const {
    const int extra = std::max(0, width() - kSidebarWidth - kContentWidth);
    return QRect(0, 0, kSidebarWidth + extra / 2, height());
}

QRect SettingsTemplate::contentRect() const {
    const QRect side = sidebarRect();
    return QRect(side.right() + 1, 0, width() - side.width(), height());
}

int SettingsTemplate::sidebarNaturalHeight() const {
    const int headerHeight = m_header->text().isEmpty() ? 0 : m_header->sizeHint().height();
    const int menuHeight = m_menu ? m_menu->sizeHint().height() : 0;
    return kIconTop + kIconSize + kHeaderTop + headerHeight + kHeaderBottom + 1 + kMenuTop + menuHeight;
}

QSize SettingsTemplate::sizeHint() const {
    const int contentHeight = m_content ? m_content->sizeHint().height() : 0;
    return QSize(kSidebarWidth + kContentWidth, std::max(sidebarNaturalHeight(), contentHeight));
}

QSize SettingsTemplate::minimumSizeHint() const { return QSize(kSidebarWidth + kContentWidth, sidebarNaturalHeight()); }

void SettingsTemplate::relayout() {
    const QRect side = sidebarRect();
    m_sidebar->setGeometry(side);
    // The fixed 182-wide stack sits at the top of its column, centred across it.
    const int x0 = (side.width() - kSidebarWidth) / 2;
    m_icon->setGeometry(x0 + kIconLeading, kIconTop, kIconSize, kIconSize);
    const int headerTop = kIconTop + kIconSize + kHeaderTop;
    const int headerHeight = m_header->text().isEmpty() ? 0 : m_header->sizeHint().height();
    m_header->setGeometry(x0 + kHeaderLeading, headerTop, kSidebarWidth - kHeaderLeading, headerHeight);
    const int ruleTop = headerTop + headerHeight + kHeaderBottom;
    m_rule->setGeometry(x0 + kHeaderLeading, ruleTop, kRuleWidth, 1);
    if (m_menu) {
        const int menuTop = ruleTop + 1 + kMenuTop;
        const int menuWidth = kSidebarWidth - 2 * kMenuSide;
        const int menuHeight =
            m_menu->hasHeightForWidth() ? m_menu->heightForWidth(menuWidth) : m_menu->sizeHint().height();
        m_menu->setGeometry(x0 + kMenuSide, menuTop, menuWidth,
                            std::min(menuHeight, std::max(0, side.height() - menuTop)));
    }
    if (m_content) {
        const QRect content = contentRect();
        // The content keeps its 534 at the top-leading corner of its column.
        m_content->setGeometry(content.left(), 0, kContentWidth, content.height());
    }
}

void SettingsTemplate::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(contentRect(), Color::Gray::hexF6F6F6());
}

void SettingsTemplate::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    relayout();
}

} // namespace qn
