#include "MacroBar.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

namespace display {

MacroBar::MacroBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MacroFrame"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    // Wide enough for the longest key label, so the buttons do not move when the bank changes.
    const int labelWidth = QFontMetrics(font()).horizontalAdvance(QStringLiteral("ALT F12")) + 4;
    for (int i = 0; i < kButtons; ++i) {
        MacroLabel[i] = new QLabel(this);
        MacroLabel[i]->setObjectName(QStringLiteral("MacroLabel(%1)").arg(i));
        MacroLabel[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        MacroLabel[i]->setFixedWidth(labelWidth);
        Macro[i] = new QPushButton(this);
        Macro[i]->setObjectName(QStringLiteral("Macro(%1)").arg(i));
        // The focus stays in the transmit pane.
        Macro[i]->setFocusPolicy(Qt::NoFocus);
        Macro[i]->setMinimumWidth(40);
        row->addWidget(MacroLabel[i]);
        row->addWidget(Macro[i], 1);
        connect(Macro[i], &QPushButton::clicked, this,
                [this, i] { emit macroClicked(MacroIndex(i)); });
    }
    AltCheckbox = new QCheckBox(QStringLiteral("ALT"), this);
    AltCheckbox->setObjectName(QStringLiteral("AltCheckbox"));
    AltCheckbox->setFocusPolicy(Qt::NoFocus);
    AltCheckbox->setToolTip(
        QStringLiteral("click to select or deselect the second bank of macros"));
    row->addWidget(AltCheckbox);
    connect(AltCheckbox, &QCheckBox::clicked, this, [this] {
        if (altShown_)
            DisplayNormalMacros();
        else
            DisplayAltMacros();
    });
    DisplayNormalMacros();
}

int MacroBar::MacroIndex(int button) const {
    if (button < 0 || button >= kButtons) return -1;
    return altShown_ ? button + kButtons : button;
}

void MacroBar::DisplayNormalMacros() {
    displayBank(false);
}

void MacroBar::DisplayAltMacros() {
    displayBank(true);
}

void MacroBar::displayBank(bool alt) {
    altShown_ = alt;
    {
        // The indicator follows the bank; setting it is not a click.
        const QSignalBlocker block(AltCheckbox);
        AltCheckbox->setChecked(alt);
    }
    for (int i = 0; i < kButtons; ++i) {
        const QString key = QStringLiteral("F%1").arg(i + 5);
        MacroLabel[i]->setText(alt ? QStringLiteral("ALT ") + key : key);
        const int index = MacroIndex(i);
        // A title is plain text: "&" is no mnemonic.
        QString title = Title ? Title(index) : QString();
        Macro[i]->setText(title.replace(QLatin1Char('&'), QStringLiteral("&&")));
    }
}

} // namespace display
