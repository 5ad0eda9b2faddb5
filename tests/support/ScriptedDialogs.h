#pragma once
// A Dialogs service for tests: answers from queues the test fills, records every question, and
// keeps the clipboard in memory. A question with no scripted answer gets the answer Escape would
// give (OK for an OK-only box, Cancel or No otherwise, cancel for input and file dialogs) and is
// counted in unanswered(), so a test can tell an unexpected dialog from an expected one.
#include "platform/Dialogs.h"

#include <optional>
#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

namespace tdtest {

class ScriptedDialogs : public platform::Dialogs {
public:
    enum class Kind { MessageBox, InputBox, OpenFile, SaveFile };
    struct Call {
        Kind kind;
        QString text; // message, prompt, or the file dialog's title
        QString title;
        Buttons buttons = Ok;
        Icon icon = NoIcon;
        QString defaultText; // input box default, or the file dialog's directory
        QString filter;
    };

    // Scripted answers, used in order.
    void answerMessageBox(Result r) { messageAnswers_.enqueue(r); }
    void answerInput(std::optional<QString> text) { inputAnswers_.enqueue(std::move(text)); }
    void answerOpenFile(const QString& path) { openAnswers_.enqueue(path); }
    void answerSaveFile(const QString& path) { saveAnswers_.enqueue(path); }

    const QList<Call>& calls() const { return calls_; }
    int unanswered() const { return unanswered_; }
    // The texts of the message boxes shown so far.
    QStringList messages() const {
        QStringList out;
        for (const Call& c : calls_)
            if (c.kind == Kind::MessageBox) out << c.text;
        return out;
    }
    void clear() {
        calls_.clear();
        unanswered_ = 0;
        messageAnswers_.clear();
        inputAnswers_.clear();
        openAnswers_.clear();
        saveAnswers_.clear();
    }

    Result messageBox(const QString& text, const QString& title, Buttons buttons = Ok,
                      Icon icon = NoIcon) override {
        record({Kind::MessageBox, text, title, buttons, icon, {}, {}});
        if (!messageAnswers_.isEmpty()) return messageAnswers_.dequeue();
        ++unanswered_;
        switch (buttons) {
        case Ok:
            return ResultOk;
        case YesNo:
            return ResultNo;
        default:
            return ResultCancel;
        }
    }

    std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText = QString()) override {
        record({Kind::InputBox, prompt, title, Ok, NoIcon, defaultText, {}});
        if (!inputAnswers_.isEmpty()) return inputAnswers_.dequeue();
        ++unanswered_;
        return std::nullopt;
    }

    QString openFileName(const QString& title, const QString& directory,
                         const QString& filter) override {
        record({Kind::OpenFile, title, title, Ok, NoIcon, directory, filter});
        if (!openAnswers_.isEmpty()) return openAnswers_.dequeue();
        ++unanswered_;
        return QString();
    }

    QString saveFileName(const QString& title, const QString& directory,
                         const QString& filter) override {
        record({Kind::SaveFile, title, title, Ok, NoIcon, directory, filter});
        if (!saveAnswers_.isEmpty()) return saveAnswers_.dequeue();
        ++unanswered_;
        return QString();
    }

    QString clipboardText() override { return clipboard_; }
    void setClipboardText(const QString& text) override { clipboard_ = text; }

private:
    void record(const Call& c) { calls_.append(c); }

    QList<Call> calls_;
    int unanswered_ = 0;
    QQueue<Result> messageAnswers_;
    QQueue<std::optional<QString>> inputAnswers_;
    QQueue<QString> openAnswers_;
    QQueue<QString> saveAnswers_;
    QString clipboard_;
};

} // namespace tdtest
