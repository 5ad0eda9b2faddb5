#include "TonedeckMacroEditor.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace macros {

TonedeckMacroEditor::TonedeckMacroEditor(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("TonedeckMacroEditor");
    auto* root = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    MacroTitle = new QLineEdit;
    MacroTitle->setObjectName("MacroTitle");
    top->addWidget(new QLabel("title"));
    top->addWidget(MacroTitle, 1);
    root->addLayout(top);
    MacroEditor = new QPlainTextEdit;
    MacroEditor->setObjectName("MacroEditor");
    MacroEditor->setMinimumSize(160, 60);
    // A line on the screen is a line of the macro.
    MacroEditor->setLineWrapMode(QPlainTextEdit::NoWrap);
    root->addWidget(MacroEditor, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    OKCmd = new QPushButton("OK");
    OKCmd->setObjectName("OKCmd");
    CancelCmd = new QPushButton("Cancel");
    CancelCmd->setObjectName("CancelCmd");
    buttons->addWidget(OKCmd);
    buttons->addWidget(CancelCmd);
    root->addLayout(buttons);
    resize(520, 320);
    connect(OKCmd, &QPushButton::clicked, this, &TonedeckMacroEditor::OKCmd_Click);
    connect(CancelCmd, &QPushButton::clicked, this, &TonedeckMacroEditor::CancelCmd_Click);
}

void TonedeckMacroEditor::Edit(int index, const QString& caption, const QString& title,
                               const QString& body) {
    setWindowTitle(caption);
    MacroTitle->setText(title);
    QString text = body;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    MacroEditor->setPlainText(text);
    EditMacro = index;
    show();
    raise();
    MacroEditor->setFocus();
}

QString TonedeckMacroEditor::Body() const {
    QString text = MacroEditor->toPlainText();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

void TonedeckMacroEditor::OKCmd_Click() {
    if (Accepted && EditMacro >= 0) Accepted(EditMacro, MacroTitle->text(), Body());
    CancelCmd_Click();
}

void TonedeckMacroEditor::CancelCmd_Click() {
    MacroTitle->clear();
    MacroEditor->clear();
    hide();
}

} // namespace macros
