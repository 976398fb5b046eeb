#pragma once

namespace qn {

class DrawViewModel;
class SettingsModel;
class RecordModel;

// The holder of the three long-lived models. Created on first access, in the order
// editor state, preferences, recording state, and kept until the process ends.
class Models {
public:
    static Models &shared();

    DrawViewModel *drawViewModel() const { return m_drawViewModel; }
    SettingsModel *settingsModel() const { return m_settingsModel; }
    RecordModel *recordModel() const { return m_recordModel; }

private:
    Models();
    DrawViewModel *m_drawViewModel;
    SettingsModel *m_settingsModel;
    RecordModel *m_recordModel;
};

} // namespace qn
