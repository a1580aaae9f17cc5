// The dialling window ("전화 걸기 창"): modeless, shown while a modem call is
// being placed. It names the host, the number dialled and the user id,
// centres on its parent, and every 500 ms closes itself once the call is up
// or no longer being made. "취소" asks for the hang-up and closes it.
#pragma once

#include <QDialog>
#include <functional>

#include "base/Flags.h"
#include "connect/PhoneBookEntry.h"

class QLabel;

namespace velo {

class DialWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPollMs = 500;

    // cancel: what "취소" asks for before the window closes (the frame posts
    // its hang-up command).
    DialWindow(const PhoneBookEntry& entry, const ConnStateFlags& state, std::function<void()> cancel,
               QWidget* parent = nullptr);

    QLabel* host = nullptr;
    QLabel* number = nullptr;
    QLabel* userId = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    const ConnStateFlags& state_;
};

}  // namespace velo
