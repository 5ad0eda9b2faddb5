#pragma once
// Modal dialogs and the clipboard. The Qt implementation shows real dialogs; tests use a
// scripted one (tests/support) that answers from a queue and records what was asked.
#include "Export.h"
#include <optional>
#include <QString>

class QWidget;

namespace platform {

class TD_PLATFORM_EXPORT Dialogs {
public:
    enum Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
    enum Icon { NoIcon, Information, Warning, Critical, Question };
    enum Result { ResultOk = 1, ResultCancel = 2, ResultRetry = 4, ResultYes = 6, ResultNo = 7 };

    virtual ~Dialogs() = default;

    virtual Result messageBox(const QString& text, const QString& title, Buttons buttons = Ok,
                              Icon icon = NoIcon) = 0;
    // nullopt when the operator cancels; an empty string when OK is pressed on an empty field.
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                            const QString& defaultText = QString()) = 0;
    // Empty when cancelled (cancelling is not an error). The filter is either Qt's form
    // ("Text files (*.txt);;All files (*)") or pairs joined by bars
    // ("Text files (*.txt)|*.txt|All files (*.*)|*.*"); qtFileFilter() turns the second into the
    // first.
    virtual QString openFileName(const QString& title, const QString& directory,
                                 const QString& filter) = 0;
    virtual QString saveFileName(const QString& title, const QString& directory,
                                 const QString& filter) = 0;
    virtual QString clipboardText() = 0;
    virtual void setClipboardText(const QString& text) = 0;
};

class TD_PLATFORM_EXPORT QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    Result messageBox(const QString& text, const QString& title, Buttons buttons = Ok,
                      Icon icon = NoIcon) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText = QString()) override;
    QString openFileName(const QString& title, const QString& directory,
                         const QString& filter) override;
    QString saveFileName(const QString& title, const QString& directory,
                         const QString& filter) override;
    QString clipboardText() override;
    void setClipboardText(const QString& text) override;

private:
    QWidget* parent_;
};

// "Description|*.a;*.b|..." -> "Description (*.a *.b);;...", with "*.*" read as every file. A
// filter without bars is returned unchanged.
TD_PLATFORM_EXPORT QString qtFileFilter(const QString& filter);

} // namespace platform
