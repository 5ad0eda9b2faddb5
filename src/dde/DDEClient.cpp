#include "DDEClient.h"
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace dde {

DDEClient::DDEClient(const QDBusConnection& bus)
    : QSOFrequencyLink(bus), ModeLink(bus), DXCCPrefixLink(bus), DXCCIDLink(bus), ContLink(bus),
      CQLink(bus), ITULink(bus), DDETransceiverControlLink(bus), DDELogLink(bus),
      DDELookupLink(bus), Source(bus, QString::fromLatin1(kOwnApplication)) {
    setObjectName("DDEClient");
    setWindowTitle("DDEClient");
    new QVBoxLayout(this);
    Mode = linkedField(ModeLink, "Mode");
    DXCCPrefix = linkedField(DXCCPrefixLink, "DXCCPrefix");
    DXCCID = linkedField(DXCCIDLink, "DXCCID");
    Cont = linkedField(ContLink, "Cont");
    CQ = linkedField(CQLink, "CQ");
    ITU = linkedField(ITULink, "ITU");
    DDETransceiverControl = commandLabel("DDETransceiverControl");
    DDELog = commandLabel("DDELog");
    DDELookup = commandLabel("DDELookup");
}

DDEClient::~DDEClient() = default;

QLineEdit* DDEClient::linkedField(DDELink& link, const char* name) {
    auto* field = new QLineEdit(this);
    field->setObjectName(QString::fromLatin1(name));
    layout()->addWidget(field);
    connect(&link, &DDELink::Change, field, &QLineEdit::setText);
    return field;
}

QLabel* DDEClient::commandLabel(const char* name) {
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    layout()->addWidget(label);
    return label;
}

} // namespace dde
