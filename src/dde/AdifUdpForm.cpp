#include "AdifUdpForm.h"
#include "AdifUdp.h"
#include <QBoxLayout>
#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSpinBox>

namespace dde {

AdifUdpForm::AdifUdpForm(AdifUdp& sender, QWidget* parent)
    : QGroupBox(QStringLiteral("send logged contacts as ADIF over UDP"), parent) {
    setObjectName("AdifUdpForm");
    auto* f = new QFormLayout(this);
    UdpEnabledCheckbox = new QCheckBox(QStringLiteral("enabled"));
    UdpEnabledCheckbox->setObjectName("UdpEnabledCheckbox");
    UdpHost = new QLineEdit;
    UdpHost->setObjectName("UdpHost");
    UdpPort = new QSpinBox;
    UdpPort->setObjectName("UdpPort");
    UdpPort->setRange(1, 65535);
    f->addRow(UdpEnabledCheckbox);
    f->addRow(QStringLiteral("host"), UdpHost);
    f->addRow(QStringLiteral("port"), UdpPort);
    UdpEnabledCheckbox->setChecked(sender.Enabled());
    UdpHost->setText(sender.Host());
    UdpPort->setValue(sender.Port());
    UdpEnabledCheckbox->setToolTip(QStringLiteral("also send each logged contact to a logger"));
    UdpHost->setToolTip(QStringLiteral("IP address of the logger (127.0.0.1 on this computer)"));

    connect(UdpEnabledCheckbox, &QCheckBox::toggled, this,
            [&sender](bool on) { sender.SetEnabled(on); });
    // A host that is not an address stays unsaved and red until it is one.
    connect(UdpHost, &QLineEdit::textChanged, this, [this, &sender](const QString& host) {
        const bool ok = sender.SetHost(host);
        UdpHost->setStyleSheet(ok ? QString() : QStringLiteral("color: red"));
    });
    connect(UdpPort, &QSpinBox::valueChanged, this, [&sender](int port) { sender.SetPort(port); });
}

AdifUdpForm* AdifUdpForm::AddTo(QWidget* page, AdifUdp& sender) {
    auto* form = new AdifUdpForm(sender);
    if (auto* f = qobject_cast<QFormLayout*>(page->layout()))
        f->addRow(form);
    else if (auto* b = qobject_cast<QBoxLayout*>(page->layout()))
        b->addWidget(form);
    else
        form->setParent(page);
    return form;
}

} // namespace dde
