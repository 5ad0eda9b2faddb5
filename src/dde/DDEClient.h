#pragma once
// The hidden window that carries the link endpoints: the fields the companion programs keep
// up to date (the radio's mode, the five DXCC texts of the last lookup), the command labels
// through which commands go, and the program's own topic "DDEClient" on which a companion that
// starts later announces itself.
#include "DDELink.h"
#include "DDEServer.h"
#include <QWidget>

class QLabel;
class QLineEdit;

namespace dde {

class DDEClient : public QWidget {
    Q_OBJECT
public:
    explicit DDEClient(const QDBusConnection& bus);
    ~DDEClient() override;

    // Fields hot-linked to the companion programs' items.
    QLineEdit* Mode = nullptr;
    QLineEdit* DXCCPrefix = nullptr;
    QLineEdit* DXCCID = nullptr;
    QLineEdit* Cont = nullptr;
    QLineEdit* CQ = nullptr;
    QLineEdit* ITU = nullptr;
    // Command labels.
    QLabel* DDETransceiverControl = nullptr;
    QLabel* DDELog = nullptr;
    QLabel* DDELookup = nullptr;

    // The links of the controls above, and of the main window's QSO frequency field.
    DDELink QSOFrequencyLink;
    DDELink ModeLink;
    DDELink DXCCPrefixLink;
    DDELink DXCCIDLink;
    DDELink ContLink;
    DDELink CQLink;
    DDELink ITULink;
    DDELink DDETransceiverControlLink;
    DDELink DDELogLink;
    DDELink DDELookupLink;

    // The topic "DDEClient" under the program's own application name.
    DDEServer Source;

private:
    // A field follows its link.
    QLineEdit* linkedField(DDELink& link, const char* name);
    QLabel* commandLabel(const char* name);
};

} // namespace dde
