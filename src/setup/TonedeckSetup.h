#pragma once
// The setup dialog. It lives, hidden or shown, for the whole run: the modules read its controls
// at the moment of use.
#include <QDialog>

class QLineEdit;

namespace setup {

class TonedeckSetup : public QDialog {
    Q_OBJECT
public:
    explicit TonedeckSetup(QWidget* parent = nullptr);

    void IgnoreParameterChanges() { ignoring_ = true; }
    void SaveParameterChanges() { ignoring_ = false; }
    bool IgnoringParameterChanges() const { return ignoring_; }

    QLineEdit* MyCallsign = nullptr;

private:
    bool ignoring_ = false;
};

} // namespace setup
