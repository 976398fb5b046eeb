#pragma once
#include <QObject>
#include <utility>

namespace qn {

// Subscribes to one property of a model the way every view of Quillnest expects:
// the handler gets the current value at once, then every assignment (also when the
// new value equals the old one, since the models emit on every write).
//
//   observe(model, &SettingsModel::muted, &SettingsModel::mutedChanged, this,
//           [this](bool muted) { ... });
template <typename Model, typename Getter, typename Signal, typename Handler>
QMetaObject::Connection observe(Model *model, Getter getter, Signal signal, const QObject *context, Handler handler) {
    handler((model->*getter)());
    return QObject::connect(model, signal, context,
                            [model, getter, handler]() mutable { handler((model->*getter)()); });
}

} // namespace qn
