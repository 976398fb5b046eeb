#include "app/state/Models.h"

#include "annotation/DrawViewModel.h"
#include "app/state/SettingsModel.h"
#include "platform/PreferencesStore.h"
#include "app/state/RecordModel.h"

namespace qn {

Models &Models::shared() {
    static Models models;
    return models;
}

// The models live as long as the process; they are never deleted, so that nothing
// observing them at exit can outlive them.
Models::Models()
    : m_drawViewModel(new DrawViewModel(PreferencesStore::shared())),
      m_settingsModel(new SettingsModel(PreferencesStore::shared())), m_recordModel(new RecordModel()) {}

} // namespace qn
