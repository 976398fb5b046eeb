#include "app/Models.h"

#include "annotation/DrawViewModel.h"
#include "app/SettingsModel.h"
#include "platform/PreferencesStore.h"
#include "recording/RecordModel.h"

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
