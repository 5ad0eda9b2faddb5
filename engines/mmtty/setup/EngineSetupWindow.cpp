#include "EngineSetupWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

namespace mmtty {

namespace {

template <class W> W* named(W* w, const char* name, const char* tip) {
    w->setObjectName(QString::fromLatin1(name));
    w->setToolTip(QString::fromLatin1(tip));
    return w;
}

QString baudText(double baud) {
    return QString::number(baud, 'g', 6);
}

// Selects the item holding `data`, adding it first when the list does not offer it.
void selectData(QComboBox* box, const QVariant& data, const QString& text) {
    int i = box->findData(data);
    if (i < 0) {
        box->addItem(text, data);
        i = box->count() - 1;
    }
    box->setCurrentIndex(i);
}

} // namespace

EngineSetupWindow::EngineSetupWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(tr("MMTTY Engine Setup"));
    setObjectName("EngineSetupWindow");

    afc_ = named(new QCheckBox(tr("AFC")), "AFC", "let the tones follow the signal");
    afcRange_ = named(new QSpinBox, "AfcRange", "how far AFC may move the mark tone");
    afcRange_->setRange(10, 300);
    afcRange_->setSuffix(tr(" Hz"));
    net_ = named(new QCheckBox(tr("Net (transmit on the receive tones)")), "Net",
                 "transmit where the receiver is tuned");
    reverse_ = named(new QCheckBox(tr("Reverse")), "Reverse", "exchange mark and space");
    usos_ = named(new QCheckBox(tr("Unshift on space")), "USOS",
                  "return to letters after a space, receiving and sending");
    atc_ = named(new QCheckBox(tr("Tone-by-tone threshold (ATC)")), "ATC",
                 "weigh each tone by its own strength: copy survives one tone fading");
    speed_ = named(new QComboBox, "Speed", "baud rate");
    for (double b : kSpeeds)
        speed_->addItem(baudText(b), b);
    shift_ = named(new QComboBox, "Shift", "space tone minus mark tone");
    for (int s : kShifts)
        shift_->addItem(tr("%1 Hz").arg(s), s);
    mark_ = named(new QSpinBox, "Mark", "receive mark tone");
    mark_->setRange(100, 3800);
    mark_->setSuffix(tr(" Hz"));

    auto* rx = new QGroupBox(tr("Receive"));
    auto* rxForm = new QFormLayout(rx);
    rxForm->addRow(afc_, afcRange_);
    rxForm->addRow(net_);
    rxForm->addRow(reverse_);
    rxForm->addRow(usos_);
    rxForm->addRow(atc_);
    rxForm->addRow(tr("Speed"), speed_);
    rxForm->addRow(tr("Shift"), shift_);
    rxForm->addRow(tr("Mark"), mark_);

    level_ = named(new QSpinBox, "TxLevel", "transmit audio level, percent of full scale");
    level_->setRange(10, 100);
    level_->setSuffix(tr(" %"));
    diddle_ = named(new QCheckBox(tr("Send LTRS while waiting for text (diddle)")), "Diddle",
                    "otherwise a steady mark tone fills the pauses");
    cwId_ = named(new QCheckBox(tr("Send a CW ID when each transmission ends")), "CwId",
                  "keyed on the mark tone after the last character");
    cwText_ = named(new QLineEdit, "CwIdText", "letters, digits, / and ?, up to 32");
    cwText_->setMaxLength(32);
    cwText_->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[A-Za-z0-9/? ]*"), cwText_));
    cwText_->setPlaceholderText(tr("DE and your callsign"));
    cwSpeed_ = named(new QComboBox, "CwIdSpeed", "speed of the CW identification");
    for (size_t i = 0; i < kCwIdWpm.size(); ++i)
        cwSpeed_->addItem(tr("%1 wpm").arg(kCwIdWpm[i], 2), int(i + 1));

    auto* tx = new QGroupBox(tr("Transmit"));
    auto* txForm = new QFormLayout(tx);
    txForm->addRow(tr("Level"), level_);
    txForm->addRow(diddle_);
    txForm->addRow(cwId_);
    txForm->addRow(tr("CW ID text"), cwText_);
    txForm->addRow(tr("CW ID speed"), cwSpeed_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::hide);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rx);
    layout->addWidget(tx);
    layout->addWidget(buttons);

    for (QCheckBox* b : {afc_, net_, reverse_, usos_, atc_, diddle_, cwId_})
        connect(b, &QCheckBox::toggled, this, &EngineSetupWindow::emitChanged);
    for (QSpinBox* b : {afcRange_, mark_, level_}) {
        b->setKeyboardTracking(false); // apply a typed number once, not per digit
        connect(b, &QSpinBox::valueChanged, this, &EngineSetupWindow::emitChanged);
    }
    for (QComboBox* b : {speed_, shift_, cwSpeed_})
        connect(b, &QComboBox::currentIndexChanged, this, &EngineSetupWindow::emitChanged);
    connect(cwText_, &QLineEdit::editingFinished, this, [this] {
        cwText_->setText(QString::fromStdString(cwIdTextFrom(cwText_->text().toStdString())));
        emitChanged();
    });
}

void EngineSetupWindow::emitChanged() {
    if (!filling_) emit changed();
}

void EngineSetupWindow::setValues(const SetupValues& v) {
    filling_ = true;
    afc_->setChecked(v.afc);
    net_->setChecked(v.net);
    reverse_->setChecked(v.reverse);
    usos_->setChecked(v.usos);
    selectData(speed_, v.baud, baudText(v.baud));
    selectData(shift_, v.shiftHz, tr("%1 Hz").arg(v.shiftHz));
    mark_->setValue(int(std::lround(v.markHz)));
    const EngineOptions& o = v.options;
    afcRange_->setValue(o.afcRangeHz);
    atc_->setChecked(o.atc);
    level_->setValue(o.txLevelPercent);
    diddle_->setChecked(o.diddle);
    cwId_->setChecked(o.cwId);
    cwText_->setText(QString::fromStdString(o.cwIdText));
    selectData(cwSpeed_, o.cwIdSpeedIndex, QString::number(o.cwIdSpeedIndex));
    filling_ = false;
}

SetupValues EngineSetupWindow::values() const {
    SetupValues v;
    v.afc = afc_->isChecked();
    v.net = net_->isChecked();
    v.reverse = reverse_->isChecked();
    v.usos = usos_->isChecked();
    v.baud = speed_->currentData().toDouble();
    v.shiftHz = shift_->currentData().toInt();
    v.markHz = mark_->value();
    v.options.afcRangeHz = afcRange_->value();
    v.options.atc = atc_->isChecked();
    v.options.txLevelPercent = level_->value();
    v.options.diddle = diddle_->isChecked();
    v.options.cwId = cwId_->isChecked();
    v.options.cwIdText = cwIdTextFrom(cwText_->text().toStdString());
    v.options.cwIdSpeedIndex = cwSpeed_->currentData().toInt();
    return v;
}

} // namespace mmtty
