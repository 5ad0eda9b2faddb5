#pragma once
// Small builders the setup dialog's tabs share: named controls, option groups, sliders with
// their value shown, and the character sets of the key filters.
#include <platform/WidgetNames.h>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QString>

namespace setup::form {

using platform::indexed;
using platform::named;

// A frame of option buttons; the buttons' ids are their indexes. Wide groups wrap into
// `columns` columns so that no tab grows wider than the screen.
template <int N>
QButtonGroup* options(QWidget* owner, QLayout* into, const char* title, const char* base,
                      QRadioButton* (&buttons)[N], const char* const (&captions)[N],
                      int columns = N) {
    auto* box = new QGroupBox(QString::fromLatin1(title));
    auto* grid = new QGridLayout(box);
    auto* group = new QButtonGroup(owner);
    for (int i = 0; i < N; ++i) {
        buttons[i] = named(new QRadioButton(QString::fromLatin1(captions[i])), indexed(base, i));
        group->addButton(buttons[i], i);
        grid->addWidget(buttons[i], i / columns, i % columns);
    }
    grid->setColumnStretch(columns, 1);
    into->addWidget(box);
    return group;
}

// A slider with its range and design value, and a label that follows its value.
inline QSlider* slider(QFormLayout* form, const char* caption, const char* name, int lo, int hi,
                       int value, QLabel** shownOut = nullptr) {
    auto* s = named(new QSlider(Qt::Horizontal), QString::fromLatin1(name));
    s->setRange(lo, hi);
    s->setValue(value);
    s->setMinimumWidth(120);
    auto* shown = new QLabel(QString::number(value));
    shown->setMinimumWidth(shown->fontMetrics().horizontalAdvance(QStringLiteral("0000")));
    QObject::connect(s, &QSlider::valueChanged, shown,
                     [shown](int v) { shown->setText(QString::number(v)); });
    auto* row = new QHBoxLayout;
    row->addWidget(s, 1);
    row->addWidget(shown);
    form->addRow(QString::fromLatin1(caption), row);
    if (shownOut) *shownOut = shown;
    return s;
}

// A button as wide as its caption, placed at the start of a row.
inline QHBoxLayout* leftAligned(std::initializer_list<QWidget*> widgets) {
    auto* row = new QHBoxLayout;
    for (QWidget* w : widgets)
        row->addWidget(w);
    row->addStretch();
    return row;
}

} // namespace setup::form
