#pragma once
// The setup dialog's controls of the ADIF-over-UDP sender, placed on its General tab.
#include <QGroupBox>

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace dde {

class AdifUdp;

class AdifUdpForm : public QGroupBox {
    Q_OBJECT
public:
    explicit AdifUdpForm(AdifUdp& sender, QWidget* parent = nullptr);
    // Adds the form at the end of a tab page's layout.
    static AdifUdpForm* AddTo(QWidget* page, AdifUdp& sender);

    QCheckBox* UdpEnabledCheckbox = nullptr;
    QLineEdit* UdpHost = nullptr;
    QSpinBox* UdpPort = nullptr;
};

} // namespace dde
