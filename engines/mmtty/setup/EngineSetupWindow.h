#pragma once
// The engine's own setup window (command 13): the form only. It shows a SetupValues and says
// when the operator changed something; the engine applies the change at once.
#include <QWidget>

#include "EngineOptions.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace mmtty {

class EngineSetupWindow : public QWidget {
    Q_OBJECT
public:
    explicit EngineSetupWindow(QWidget* parent = nullptr);
    void setValues(const SetupValues& values); // emits nothing
    SetupValues values() const;

signals:
    void changed();

private:
    void emitChanged();
    QCheckBox *afc_, *net_, *reverse_, *usos_, *atc_, *diddle_, *cwId_;
    QSpinBox *afcRange_, *mark_, *level_;
    QComboBox *speed_, *shift_, *cwSpeed_;
    QLineEdit* cwText_;
    bool filling_ = false;
};

} // namespace mmtty
