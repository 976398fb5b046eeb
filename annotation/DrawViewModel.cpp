#include "annotation/DrawViewModel.h"

#include "platform/PreferencesStore.h"

namespace qn {

DrawViewModel::DrawViewModel(PreferencesStore &store, QObject *parent)
    : QObject(parent), m_store(store), m_tool(loadTool("tool", Tool::Pointer)),
      m_quickTool(loadTool("quickTool", Tool::Arrow)), m_color(loadColor()) {}

Tool DrawViewModel::loadTool(const char *key, Tool fallback) const {
    const auto raw = m_store.text(QLatin1String(key));
    if (!raw)
        return fallback;
    if (const auto tool = toolFromRawValue(*raw))
        return *tool;
    PreferencesStore::reportUnusable(QLatin1String(key), QStringLiteral("not a tool"));
    return fallback;
}

QNColor DrawViewModel::loadColor() const {
    const auto data = m_store.data(QStringLiteral("color"));
    if (!data)
        return QNColor::defaultColor();
    if (const auto color = QNColor::fromJson(*data))
        return *color;
    PreferencesStore::reportUnusable(QStringLiteral("color"), QStringLiteral("not a colour"));
    return QNColor::defaultColor();
}

void DrawViewModel::setTool(Tool tool) {
    m_tool = tool;
    Q_EMIT toolChanged();
    m_store.setText(QStringLiteral("tool"), toolRawValue(m_tool));
}

void DrawViewModel::setQuickTool(Tool tool) {
    m_quickTool = tool;
    Q_EMIT quickToolChanged();
    m_store.setText(QStringLiteral("quickTool"), toolRawValue(m_quickTool));
}

void DrawViewModel::setColor(const QNColor &color) {
    m_color = color;
    Q_EMIT colorChanged();
    m_store.setData(QStringLiteral("color"), m_color.toJson());
}

} // namespace qn
