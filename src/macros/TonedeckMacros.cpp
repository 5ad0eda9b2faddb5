#include "TonedeckMacros.h"
#include "MacroBank.h"
#include "TonedeckMacroEditor.h"
#include <common/Common.h>
#include <common/Convert.h>
#include <common/Errors.h>
#include <common/PSKEvent.h>
#include <common/Trap.h>
#include <common/WindowPositions.h>
#include <mainwindow/MacroBar.h>
#include <platform/Services.h>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

namespace macros {

namespace {
const QString kFilter = QStringLiteral("Text (*.txt)|*.txt");

QString caption(QString title) {
    return title.replace(QLatin1Char('&'), QStringLiteral("&&"));
}
} // namespace

TonedeckMacros::TonedeckMacros(platform::Services& services, common::Common& common,
                               common::PSKEvent& event)
    : QWidget(nullptr, Qt::Window), services_(services), common_(common), event_(event) {
    setObjectName("TonedeckMacros");
    setWindowTitle("Tonedeck Macros");
    auto* root = new QVBoxLayout(this);
    for (int b = 0; b < 2; ++b) {
        BankFrame[b] = new QGroupBox(b == 0 ? "Normal bank" : "ALT Bank");
        BankFrame[b]->setObjectName(QStringLiteral("BankFrame(%1)").arg(b));
        auto* grid = new QGridLayout(BankFrame[b]);
        grid->addWidget(new QLabel("title"), 0, 1);
        grid->addWidget(new QLabel("contents"), 0, 2);
        for (int k = 0; k < 8; ++k) {
            const int i = 8 * b + k;
            Flabel[i] = new QLabel(MacroName(i));
            Flabel[i]->setObjectName(QStringLiteral("Flabel(%1)").arg(i));
            Flabel[i]->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("ALT F12 ")));
            MacroTitle[i] = new QLineEdit;
            MacroTitle[i]->setObjectName(QStringLiteral("MacroTitle(%1)").arg(i));
            MacroTitle[i]->setMaximumWidth(120);
            MacroContents[i] = new QLineEdit;
            MacroContents[i]->setObjectName(QStringLiteral("MacroContents(%1)").arg(i));
            MacroContents[i]->setMinimumWidth(560);
            MacroContents[i]->installEventFilter(this);
            grid->addWidget(Flabel[i], k + 1, 0);
            grid->addWidget(MacroTitle[i], k + 1, 1);
            grid->addWidget(MacroContents[i], k + 1, 2);
            connect(MacroTitle[i], &QLineEdit::textChanged, this,
                    [this, i] { MacroTitle_Change(i); });
            connect(MacroContents[i], &QLineEdit::textChanged, this,
                    [this, i] { MacroContents_Change(i); });
        }
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        SaveCmd[b] = new QPushButton("Save");
        SaveCmd[b]->setObjectName(QStringLiteral("SaveCmd(%1)").arg(b));
        LoadCmd[b] = new QPushButton("Load");
        LoadCmd[b]->setObjectName(QStringLiteral("LoadCmd(%1)").arg(b));
        buttons->addWidget(SaveCmd[b]);
        buttons->addWidget(LoadCmd[b]);
        grid->addLayout(buttons, 9, 0, 1, 3);
        connect(SaveCmd[b], &QPushButton::clicked, this, [this, b] { SaveCmd_Click(b); });
        connect(LoadCmd[b], &QPushButton::clicked, this, [this, b] { LoadCmd_Click(b); });
        root->addWidget(BankFrame[b]);
    }
    auto* files = new QHBoxLayout;
    files->addWidget(new QLabel("filename"));
    MacroFilename = new QLineEdit;
    MacroFilename->setObjectName("MacroFilename");
    MacroFilename->setToolTip("drag and drop into macro contents");
    MacroFilename->setDragEnabled(true);
    files->addWidget(MacroFilename, 1);
    FileBrowseCmd = new QPushButton("Select");
    FileBrowseCmd->setObjectName("FileBrowseCmd");
    HelpCmd = new QPushButton("Help");
    HelpCmd->setObjectName("HelpCmd");
    files->addWidget(FileBrowseCmd);
    files->addWidget(HelpCmd);
    root->addLayout(files);
    connect(FileBrowseCmd, &QPushButton::clicked, this, &TonedeckMacros::FileBrowseCmd_Click);
    connect(HelpCmd, &QPushButton::clicked, this, [this] {
        common::guard(common_, "TonedeckMacros.HelpCmd_Click",
                      [&] { common_.InvokeHelp(QStringLiteral("Macros.htm")); });
    });

    editor_ = new TonedeckMacroEditor(this);
    editor_->Accepted = [this](int i, const QString& title, const QString& body) {
        MacroTitle[i]->setText(title);
        MacroContents[i]->setText(body);
    };
}

TonedeckMacros::~TonedeckMacros() = default;

void TonedeckMacros::Attach(MacroHost& host, display::MacroBar& bar) {
    host_ = &host;
    bar_ = &bar;
}

QString TonedeckMacros::MacroName(int index) {
    return index < 8 ? QStringLiteral("F%1").arg(index + 5)
                     : QStringLiteral("ALT F%1").arg(index - 3);
}

QString TonedeckMacros::BankName(int bank) {
    return bank == 0 ? QStringLiteral("normal") : QStringLiteral("ALT");
}

QString TonedeckMacros::Title(int index) const {
    return index >= 0 && index < 16 ? MacroTitle[index]->text() : QString();
}

QString TonedeckMacros::Body(int index) const {
    return index >= 0 && index < 16 ? MacroContents[index]->text() : QString();
}

QString TonedeckMacros::scriptsDir() const {
    return QDir(services_.programDir).filePath(QStringLiteral("Scripts"));
}

void TonedeckMacros::InitializeMacros() {
    common::guard(common_, "TonedeckMacros.InitializeMacros", [&] {
        auto& store = services_.settings;
        for (int i = 0; i < 16; ++i) {
            MacroTitle[i]->setText(store.getSetting("Macros", QStringLiteral("Title%1").arg(i)));
            MacroContents[i]->setText(
                store.getSetting("Macros", QStringLiteral("Content%1").arg(i)));
            MacroContents[i]->setCursorPosition(0); // the start of a long macro shows
            MacroTitle[i]->setToolTip(QStringLiteral("title for the ") + MacroName(i) +
                                      QStringLiteral(" macro (appears on macro buttons)"));
            MacroContents[i]->setToolTip(
                QStringLiteral("specification of the ") + MacroName(i) +
                QStringLiteral(" macro; double-click for multiline editor"));
            if (i < 8 && bar_) bar_->Macro[i]->setText(caption(MacroTitle[i]->text()));
        }
    });
}

void TonedeckMacros::MacroTitle_Change(int i) {
    common::guard(common_, "TonedeckMacros.MacroTitle_Change", [&] {
        if (bar_) {
            const bool alt = bar_->AltMacrosShown();
            if (alt && i >= 8) bar_->Macro[i - 8]->setText(caption(MacroTitle[i]->text()));
            if (!alt && i < 8) bar_->Macro[i]->setText(caption(MacroTitle[i]->text()));
        }
        services_.settings.saveSetting("Macros", QStringLiteral("Title%1").arg(i),
                                       MacroTitle[i]->text());
    });
}

void TonedeckMacros::MacroContents_Change(int i) {
    common::guard(common_, "TonedeckMacros.MacroContents_Change", [&] {
        services_.settings.saveSetting("Macros", QStringLiteral("Content%1").arg(i),
                                       MacroContents[i]->text());
    });
}

QString TonedeckMacros::ExpandMacroContents(int macroNumber, const QString& macroText) {
    if (!host_) return QString();
    return macros::ExpandMacroContents(*host_, macroNumber, macroText);
}

void TonedeckMacros::MacroError(int macroNumber, const QString& message) {
    services_.dialogs.messageBox(MacroErrorText(macroNumber, message), common_.productName(),
                                 platform::Dialogs::Ok);
}

void TonedeckMacros::ShowForMacro(int index) {
    common::guard(common_, "TonedeckMacros.ShowForMacro", [&] {
        common::checkIndex(index, 0, 15);
        if (!isVisible()) {
            try {
                common::RestoreWindowPosition(services_.settings, *this, kPositionPrefix,
                                              common::WindowKeys::Position);
            } catch (...) {
                // A damaged position: the window opens where the platform puts it.
            }
        }
        show();
        raise();
        activateWindow();
        MacroContents[index]->setFocus();
    });
}

void TonedeckMacros::closeEvent(QCloseEvent* event) {
    common::guard(common_, "TonedeckMacros.Form_Unload", [&] {
        common::SaveWindowPosition(services_.settings, *this, kPositionPrefix,
                                   common::WindowKeys::Position);
    });
    // Hidden, not gone: the macros stay available to the main window.
    event->accept();
}

void TonedeckMacros::FileBrowseCmd_Click() {
    common::guard(common_, "TonedeckMacros.FileBrowseCmd_Click", [&] {
        const QString path = services_.dialogs.openFileName(QStringLiteral("Select"), scriptsDir(),
                                                            QStringLiteral("All files (*)"));
        if (path.isEmpty()) return;
        MacroFilename->setText(path);
        MacroFilename->selectAll(); // ready to be dragged
    });
}

void TonedeckMacros::MacroContents_DblClick(int i) {
    common::guard(common_, "TonedeckMacros.MacroContents_DblClick", [&] {
        common::checkIndex(i, 0, 15);
        editor_->Edit(i,
                      common_.productName() + QLatin1Char(' ') + Flabel[i]->text() +
                          QStringLiteral(" Macro Editor"),
                      MacroTitle[i]->text(), MacroContents[i]->text());
    });
}

void TonedeckMacros::MacroContents_Drop(int i) {
    common::guard(common_, "TonedeckMacros.MacroContents_Drop", [&] {
        common::checkIndex(i, 0, 15);
        const QString command =
            QStringLiteral("<file: ") + MacroFilename->text() + QLatin1Char('>');
        QLineEdit* body = MacroContents[i];
        const int caret = body->cursorPosition();
        const QString text = body->text();
        if (caret > 0)
            body->setText(text.left(caret) + command + text.mid(caret));
        else
            body->setText(text + command);
    });
}

bool TonedeckMacros::eventFilter(QObject* watched, QEvent* event) {
    for (int i = 0; i < 16; ++i) {
        if (watched != MacroContents[i]) continue;
        switch (event->type()) {
        case QEvent::MouseButtonDblClick:
            MacroContents_DblClick(i);
            return true;
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (drag->source() != MacroFilename) return false;
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (drop->source() != MacroFilename) return false;
            MacroContents_Drop(i);
            drop->acceptProposedAction();
            return true;
        }
        default:
            return false;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TonedeckMacros::LoadMacro(int index, BankFileReader& reader) {
    const QString name = MacroName(index);
    QString title, body;
    if (!reader.ReadLine(title)) {
        event_.LogEvent(QStringLiteral("Error while reading macro ") + name +
                        QStringLiteral(" : ") +
                        common::errorDescription(common::err::InputPastEndOfFile));
        return;
    }
    MacroTitle[index]->setText(DecodeMacroLine(title));
    if (!reader.ReadLine(body)) {
        event_.LogEvent(QStringLiteral("Error while reading macro ") + name +
                        QStringLiteral(" : ") +
                        common::errorDescription(common::err::InputPastEndOfFile));
        return;
    }
    MacroContents[index]->setText(DecodeMacroLine(body));
    MacroContents[index]->setCursorPosition(0);
}

void TonedeckMacros::LoadCmd_Click(int bank) {
    common::guard(common_, "TonedeckMacros.LoadCmd_Click", [&] {
        common::checkIndex(bank, 0, 1);
        QString path = services_.dialogs.openFileName(QStringLiteral("Load ") + BankName(bank) +
                                                          QStringLiteral(" macros from file"),
                                                      scriptsDir(), kFilter);
        if (path.isEmpty()) return;
        if (!QFileInfo::exists(path) && QFileInfo::exists(path + QStringLiteral(".txt")))
            path += QStringLiteral(".txt");
        QFile file(path);
        if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
            event_.LogEvent(
                QStringLiteral("Unable to open macro file ") + path + QStringLiteral(" : ") +
                (QFileInfo(path).isDir() ? QStringLiteral("Is a directory") : file.errorString()));
            return;
        }
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            event_.LogEvent(QStringLiteral("Error while reading macro file ") + path +
                            QStringLiteral(" : ") + file.errorString());
            return;
        }
        file.close();
        BankFileReader reader(bytes);
        for (int i = 8 * bank; i < 8 * bank + 8; ++i)
            LoadMacro(i, reader);
    });
}

void TonedeckMacros::SaveCmd_Click(int bank) {
    common::guard(common_, "TonedeckMacros.SaveCmd_Click", [&] {
        common::checkIndex(bank, 0, 1);
        QString path = services_.dialogs.saveFileName(QStringLiteral("Save ") + BankName(bank) +
                                                          QStringLiteral(" macros to file"),
                                                      scriptsDir(), kFilter);
        if (path.isEmpty()) return;
        if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".txt");
        QString titles[8], bodies[8];
        for (int k = 0; k < 8; ++k) {
            titles[k] = MacroTitle[8 * bank + k]->text();
            bodies[k] = MacroContents[8 * bank + k]->text();
        }
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            event_.LogEvent(QStringLiteral("Unable to open macro file ") + path +
                            QStringLiteral(" : ") + file.errorString());
            return;
        }
        const QByteArray bytes = EncodeBank(titles, bodies);
        if (file.write(bytes) != bytes.size() || !file.commit())
            event_.LogEvent(QStringLiteral("Error while writing macro file ") + path +
                            QStringLiteral(" : ") + file.errorString());
    });
}

} // namespace macros
