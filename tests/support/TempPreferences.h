#pragma once
#include "platform/PreferencesStore.h"

#include <QTemporaryDir>
#include <memory>

namespace qn::test {

// A preferences store on a file of its own, removed with the fixture.
class TempPreferences {
public:
    TempPreferences() : m_store(std::make_unique<PreferencesStore>(m_dir.filePath(QStringLiteral("prefs.ini")))) {}
    PreferencesStore &store() { return *m_store; }
    QString path() const { return m_dir.filePath(QStringLiteral("prefs.ini")); }
    // A fresh store on the same file, as the next launch would see it.
    std::unique_ptr<PreferencesStore> reopen() const { return std::make_unique<PreferencesStore>(path()); }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<PreferencesStore> m_store;
};

} // namespace qn::test
