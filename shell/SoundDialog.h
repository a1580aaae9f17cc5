// "소리 설정": the sound file of each event of the program, chosen with a
// file picker, tried with "재생" and cleared with "없음". OK writes every
// event's entry of section "Sounds" (where the sound scheme reads them);
// Cancel writes nothing.
#pragma once

#include <QDialog>
#include <vector>

class QLineEdit;

namespace velo {

class EventSounds;
class SettingsStore;

class SoundSettingsDialog : public QDialog {
    Q_OBJECT
public:
    SoundSettingsDialog(SettingsStore& settings, EventSounds& sounds, QWidget* parent = nullptr);
    void accept() override;

    // One path field per event, in kSoundEvents' order.
    std::vector<QLineEdit*> paths;

private:
    SettingsStore& settings_;
};

}  // namespace velo
