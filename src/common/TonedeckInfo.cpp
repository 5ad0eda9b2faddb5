#include "TonedeckInfo.h"

#include "Format.h"
#include "Version.h"
#include "WindowPositions.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace common {

namespace {

QLabel* named(QLabel* label, const char* name) {
    label->setObjectName(QString::fromLatin1(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

TonedeckInfo::TonedeckInfo(platform::SettingsStore& store, QWidget* parent)
    : QDialog(parent), store_(store) {
    setObjectName(QString::fromLatin1(kPositionPrefix));
    setWindowTitle(QStringLiteral("Tonedeck Information"));
    setModal(false);

    TonedeckVersionLabel = named(new QLabel, "TonedeckVersionLabel");
    PSKCoreVersionLabel = named(new QLabel, "PSKCoreVersionLabel");
    MMTTYVersionLabel = named(new QLabel(QStringLiteral("not reported")), "MMTTYVersionLabel");

    auto* versions = new QGridLayout;
    const char* captions[3] = {"Tonedeck version:", "PSKCore.DLL version:", "MMTTY version:"};
    QLabel* values[3] = {TonedeckVersionLabel, PSKCoreVersionLabel, MMTTYVersionLabel};
    for (int i = 0; i < 3; ++i) {
        versions->addWidget(new QLabel(QString::fromLatin1(captions[i])), i, 0, Qt::AlignRight);
        versions->addWidget(values[i], i, 1);
    }
    versions->setColumnStretch(1, 1);

    Acknowledgements = named(
        new QLabel(QStringLiteral(
            "Tonedeck is a keyboard-to-keyboard terminal for PSK31 and RTTY.\n\n"
            "Its PSK31 engine and its RTTY engine are soundcard modems of its own, built on "
            "the ideas that the amateur radio community worked out and shared freely: the "
            "varicode alphabet, phase-shift keying at 31.25 baud and the five-bit teleprinter "
            "code.\n\n"
            "Thanks go to every radio amateur who developed, documented and tested these "
            "modes on the air, and to the authors of the open libraries Tonedeck builds on.")),
        "Acknowledgements");
    Acknowledgements->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->setObjectName(QStringLiteral("OKCmd"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* root = new QVBoxLayout(this);
    root->addLayout(versions);
    root->addSpacing(8);
    root->addWidget(Acknowledgements);
    root->addWidget(buttons);
    setMinimumWidth(380);
}

QString TonedeckInfo::ProgramVersion() {
    return QString::fromLatin1(kVersionString);
}

QString TonedeckInfo::EngineVersionText(int32_t version) {
    return formatGeneral(version / 100.0);
}

void TonedeckInfo::Form_Load(int32_t pskEngineVersion) {
    TonedeckVersionLabel->setText(ProgramVersion());
    PSKCoreVersionLabel->setText(EngineVersionText(pskEngineVersion));
}

void TonedeckInfo::SetMMTTYVersion(const QString& version) {
    MMTTYVersionLabel->setText(version);
}

void TonedeckInfo::ShowAtStoredPosition() {
    struct Show {
        TonedeckInfo* w;
        ~Show() {
            w->show();
            w->raise();
            w->activateWindow();
        }
    } showEvenIfTheStoreIsGarbled{this};
    if (!isVisible())
        RestoreWindowPosition(store_, *this, QString::fromLatin1(kPositionPrefix),
                              WindowKeys::Position);
}

void TonedeckInfo::hideEvent(QHideEvent* event) {
    // Minimizing hides the window spontaneously; only a close counts.
    if (!event->spontaneous())
        SaveWindowPosition(store_, *this, QString::fromLatin1(kPositionPrefix),
                           WindowKeys::Position);
    QDialog::hideEvent(event);
}

} // namespace common
