#pragma once
#include <QAbstractButton>

namespace qn {

// The small on/off switch of the settings rows (a mini toggle in switch style).
// Clicks and Space flip it and emit clicked(bool); setChecked from a model does not.
class Switch : public QAbstractButton {
    Q_OBJECT
public:
    explicit Switch(QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    static constexpr int kWidth = 26;
    static constexpr int kHeight = 15;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;
};

} // namespace qn

#include "platform/Observe.h"

namespace qn {

// Shows a Bool property of a model on a switch and writes the user's flips back
// through the model's setter (which stores it and tells the status menu).
template <typename Model, typename Getter, typename Signal, typename Setter>
void bindSwitch(Switch *control, Model *model, Getter getter, Signal changed, Setter setter) {
    observe(model, getter, changed, control, [control](bool value) { control->setChecked(value); });
    QObject::connect(control, &Switch::clicked, model, [model, setter](bool checked) { (model->*setter)(checked); });
}

} // namespace qn
