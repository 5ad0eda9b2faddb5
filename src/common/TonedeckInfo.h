#pragma once
// The information window: the versions of the program and of its two engines, and a word of
// thanks. It opens where it was last closed.
#include <cstdint>
#include <QDialog>

class QLabel;

namespace platform {
class SettingsStore;
}

namespace common {

class TonedeckInfo : public QDialog {
    Q_OBJECT
public:
    // Position keys: "TonedeckInfoLeft" and "TonedeckInfoTop" in section "General".
    static constexpr const char* kPositionPrefix = "TonedeckInfo";

    explicit TonedeckInfo(platform::SettingsStore& store, QWidget* parent = nullptr);

    // Fills the program's and the PSK engine's labels; the engine reports its version times 100.
    void Form_Load(int32_t pskEngineVersion);
    // The RTTY engine's version as it reports it; until then the label says it has not.
    void SetMMTTYVersion(const QString& version);
    // Moves to the stored position (the platform's where none is stored) and shows. A stored
    // value that is not a number throws as RestoreWindowPosition does, after showing.
    void ShowAtStoredPosition();

    QLabel* TonedeckVersionLabel = nullptr;
    QLabel* PSKCoreVersionLabel = nullptr;
    QLabel* MMTTYVersionLabel = nullptr;
    QLabel* Acknowledgements = nullptr;

    static QString ProgramVersion();
    // 118 -> "1.18".
    static QString EngineVersionText(int32_t version);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    platform::SettingsStore& store_;
};

} // namespace common
