// The Display tab: fonts and colours of the receive panes and the transmit pane with their
// previews, the colours of transmitted text, of the active pane's label and of the spectrum
// trace, and the colour selector whose colour the colour buttons apply.
#include "FormParts.h"
#include "TonedeckSetupForm.h"
#include <QFontComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QPushButton>

namespace setup {

using form::indexed;
using form::named;

namespace {
QPushButton* colorButton(const QString& caption, const QString& name, const QString& tip) {
    auto* b = named(new QPushButton(caption), name);
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}

// A preview of a pane: its background, and lines of text in the pane's colours.
QFrame* previewFrame(const QString& name) {
    auto* f = named(new QFrame, name);
    f->setFrameShape(QFrame::StyledPanel);
    f->setAutoFillBackground(true);
    f->setMinimumWidth(180);
    auto* v = new QVBoxLayout(f);
    v->setContentsMargins(6, 2, 6, 2);
    v->setSpacing(0);
    return f;
}

QLabel* previewLine(QFrame* frame, const QString& text, const QString& name) {
    auto* l = named(new QLabel(text), name);
    l->setAutoFillBackground(false);
    frame->layout()->addWidget(l);
    return l;
}
} // namespace

QWidget* TonedeckSetupForm::buildDisplay() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);

    auto* rx = new QGroupBox("receive panes");
    auto* rg = new QGridLayout(rx);
    FontSelector = named(new QFontComboBox, "FontSelector");
    FontSelector->setToolTip("font of the three receive panes");
    auto* sizes = new QFormLayout;
    sizes->setContentsMargins(0, 0, 0, 0);
    SizeSlider = form::slider(sizes, "size", "SizeSlider", 4, 48, 8, &SizeLabel);
    SizeSlider->setToolTip("font size of the receive panes");
    SizeLabel->setObjectName("SizeLabel");
    rg->addWidget(new QLabel("font"), 0, 0);
    rg->addWidget(FontSelector, 0, 1);
    rg->addLayout(sizes, 0, 2, 1, 2);
    for (int i = 0; i < 3; ++i) {
        TrialPane[i] = previewFrame(indexed("TrialPane", i));
        TrialReceive[i] =
            previewLine(TrialPane[i], QStringLiteral("text received on channel %1").arg(i),
                        indexed("TrialReceive", i));
        TrialTransmit[i] = previewLine(TrialPane[i], "de", indexed("TrialTransmit", i));
        FontColorCmd[i] = colorButton("text", indexed("FontColorCmd", i),
                                      QStringLiteral("received text of pane %1 in the selector's "
                                                     "colour")
                                          .arg(i));
        BackColorCmd[i] = colorButton("background", indexed("BackColorCmd", i),
                                      QStringLiteral("background of pane %1 in the selector's "
                                                     "colour")
                                          .arg(i));
        rg->addWidget(new QLabel(QStringLiteral("pane %1").arg(i)), i + 1, 0);
        rg->addWidget(TrialPane[i], i + 1, 1);
        rg->addWidget(FontColorCmd[i], i + 1, 2);
        rg->addWidget(BackColorCmd[i], i + 1, 3);
    }
    // The transmit pane's rows line up with the receive panes'.
    const int labels = rx->fontMetrics().horizontalAdvance(QStringLiteral("pane 00"));
    rg->setColumnMinimumWidth(0, labels);
    rg->setColumnStretch(1, 1);
    v->addWidget(rx);

    auto* tx = new QGroupBox("transmit pane");
    auto* tg = new QGridLayout(tx);
    KeyboardFontSelector = named(new QFontComboBox, "KeyboardFontSelector");
    KeyboardFontSelector->setToolTip("font of the transmit pane");
    auto* ksizes = new QFormLayout;
    ksizes->setContentsMargins(0, 0, 0, 0);
    KeyboardSizeSlider =
        form::slider(ksizes, "size", "KeyboardSizeSlider", 4, 48, 10, &KeyboardSizeLabel);
    KeyboardSizeSlider->setToolTip("font size of the transmit pane");
    KeyboardSizeLabel->setObjectName("KeyboardSizeLabel");
    KeyboardTrialPane = previewFrame("KeyboardTrialPane");
    KeyboardTrialTransmit = previewLine(KeyboardTrialPane, "de", "KeyboardTrialTransmit");
    KeyboardColorCmd = colorButton("text", "KeyboardColorCmd",
                                   "text of the transmit pane in the selector's colour");
    KeyboardBackColorCmd = colorButton("background", "KeyboardBackColorCmd",
                                       "background of the transmit pane in the selector's colour");
    tg->addWidget(new QLabel("font"), 0, 0);
    tg->addWidget(KeyboardFontSelector, 0, 1);
    tg->addLayout(ksizes, 0, 2, 1, 2);
    tg->addWidget(KeyboardTrialPane, 1, 1);
    tg->addWidget(KeyboardColorCmd, 1, 2);
    tg->addWidget(KeyboardBackColorCmd, 1, 3);
    tg->setColumnMinimumWidth(0, labels);
    tg->setColumnStretch(1, 1);
    v->addWidget(tx);

    auto* bottom = new QHBoxLayout;
    auto* others = new QGroupBox("other colours");
    auto* o = new QVBoxLayout(others);
    TransmittedFontColorCmd =
        colorButton("transmitted text", "TransmittedFontColorCmd",
                    "transmitted text shown in the receive panes, in the selector's colour");
    SelectedChannelLabelColorCmd =
        colorButton("selected channel label", "SelectedChannelLabelColorCmd",
                    "number of the selected receive pane, in the selector's colour");
    SpectrumTraceColorCmd = colorButton("spectrum trace", "SpectrumTraceColorCmd",
                                        "trace of the spectrum display, in the selector's colour");
    for (QPushButton* b :
         {TransmittedFontColorCmd, SelectedChannelLabelColorCmd, SpectrumTraceColorCmd})
        o->addWidget(b);
    o->addStretch();
    bottom->addWidget(others);

    auto* selector = new QGroupBox("colour selector");
    auto* sg = new QGridLayout(selector);
    static const char* const kPrimaries[3] = {"red", "green", "blue"};
    for (int i = 0; i < 3; ++i) {
        ColorSlider[i] = named(new QSlider(Qt::Horizontal), indexed("ColorSlider", i));
        ColorSlider[i]->setRange(0, 255);
        ColorSlider[i]->setMinimumWidth(140);
        ColorSlider[i]->setToolTip(
            QStringLiteral("%1 part of the colour").arg(QLatin1String(kPrimaries[i])));
        ColorLab[i] = named(new QLabel("0"), indexed("ColorLab", i));
        ColorLab[i]->setMinimumWidth(ColorLab[i]->fontMetrics().horizontalAdvance("0000"));
        sg->addWidget(new QLabel(QString::fromLatin1(kPrimaries[i])), i, 0);
        sg->addWidget(ColorSlider[i], i, 1);
        sg->addWidget(ColorLab[i], i, 2);
    }
    Swatch = named(new QLabel, "Swatch");
    Swatch->setAutoFillBackground(true);
    Swatch->setFrameShape(QFrame::StyledPanel);
    Swatch->setMinimumSize(48, 48);
    Swatch->setToolTip("the colour the colour buttons apply");
    sg->addWidget(Swatch, 0, 3, 3, 1);
    sg->setColumnStretch(1, 1);
    bottom->addWidget(selector, 1);
    v->addLayout(bottom);
    v->addStretch();
    return page;
}

} // namespace setup
