#pragma once
// The larger editor for one macro: its title and a multi-line body. The body grows and shrinks
// with the window; the title and the buttons keep their places beside it.
#include <functional>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace macros {

class TonedeckMacroEditor : public QWidget {
    Q_OBJECT
public:
    explicit TonedeckMacroEditor(QWidget* parent = nullptr);

    int EditMacro = -1;
    QLineEdit* MacroTitle = nullptr;
    QPlainTextEdit* MacroEditor = nullptr;
    QPushButton* OKCmd = nullptr;
    QPushButton* CancelCmd = nullptr;

    // Opens the editor on a macro's title and body (lines separated by CR LF).
    void Edit(int index, const QString& caption, const QString& title, const QString& body);
    // The body as the macros store it: lines separated by CR LF.
    QString Body() const;

    // OK: the macro's new title and body.
    std::function<void(int index, const QString& title, const QString& body)> Accepted;

    void OKCmd_Click();
    void CancelCmd_Click();
};

} // namespace macros
