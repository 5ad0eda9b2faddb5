#include "TonedeckSetup.h"
#include <QFormLayout>
#include <QLineEdit>

namespace setup {

TonedeckSetup::TonedeckSetup(QWidget* parent) : QDialog(parent) {
    setObjectName("TonedeckSetup");
    setWindowTitle("Tonedeck setup");
    auto* form = new QFormLayout(this);
    MyCallsign = new QLineEdit;
    MyCallsign->setObjectName("MyCallsign");
    form->addRow("My callsign", MyCallsign);
}

} // namespace setup
