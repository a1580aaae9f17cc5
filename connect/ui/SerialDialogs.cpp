#include "connect/ui/SerialDialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/SettingsLayout.h"
#include "connect/SerialDevice.h"
#include "connect/ui/DialogButtons.h"

namespace velo {

namespace {

constexpr int kRates[] = {75,    110,   134,   150,    300,    600,    1200,   1800,   2400,  4800, 7200,
                          9600,  14400, 19200, 38400,  57600,  115200, 128000, 230400, 460800, 921600};
// Codes as stored: parity 0 none .. 4 space, stop bits 0 one, 1 one and a
// half, 2 two.
const char* const kParityNames[] = {"없음", "홀수", "짝수", "마크", "스페이스"};
const char* const kStopNames[] = {"1", "1.5", "2"};

// Selects the item whose data is v; a value not listed is added, so that
// a stored setting is shown as it is rather than silently changed.
void SelectData(QComboBox* box, int v)
{
    int i = box->findData(v);
    if (i < 0) {
        box->addItem(QString::number(v), v);
        i = box->count() - 1;
    }
    box->setCurrentIndex(i);
}

}  // namespace

PortSettingsDialog::PortSettingsDialog(SettingsStore& settings, int port, QWidget* parent)
    : QDialog(parent), settings_(settings), port_(port)
{
    setWindowTitle(QStringLiteral("COM%1 설정").arg(port));
    rate = new QComboBox;
    for (int r : kRates)
        rate->addItem(QString::number(r), r);
    dataBits = new QComboBox;
    for (int b = 5; b <= 8; ++b)
        dataBits->addItem(QString::number(b), b);
    parity = new QComboBox;
    for (int i = 0; i < 5; ++i)
        parity->addItem(QString::fromUtf8(kParityNames[i]), i);
    stopBits = new QComboBox;
    for (int i = 0; i < 3; ++i)
        stopBits->addItem(QString::fromUtf8(kStopNames[i]), i);
    device = new QComboBox;
    device->setEditable(true);
    device->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& d : ListSerialDevices())
        device->addItem(QString::fromStdString(d));
    device->setMinimumContentsLength(18);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("비트/초(&B):"), rate);
    form->addRow(QStringLiteral("데이터 비트(&D):"), dataBits);
    form->addRow(QStringLiteral("패리티(&P):"), parity);
    form->addRow(QStringLiteral("정지 비트(&S):"), stopBits);
    form->addRow(QStringLiteral("장치(&E):"), device);

    auto* defaults = new QPushButton(QStringLiteral("기본값 복원(&R)"));
    connect(defaults, &QPushButton::clicked, this, [this] {
        const SerialParams d;
        Show(d.baudRate, d.byteSize, d.parity, d.stopBits, QString::fromStdString(DefaultComDevice(port_)));
    });
    buttons = OkCancelButtons(this);
    auto* restoreRow = new QHBoxLayout;
    restoreRow->addStretch(1);
    restoreRow->addWidget(defaults);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(form);
    lay->addLayout(restoreRow);
    lay->addWidget(buttons);

    const SerialParams p = ReadPortParams(settings_, port_);
    Show(p.baudRate, p.byteSize, p.parity, p.stopBits, QString::fromStdString(ComDevicePath(settings_, port_)));
    connect(device, &QComboBox::editTextChanged, this, &PortSettingsDialog::CheckDevice);
    CheckDevice();
}

void PortSettingsDialog::Show(int baud, int bits, int parityCode, int stopCode, const QString& dev)
{
    SelectData(rate, baud);
    SelectData(dataBits, bits);
    SelectData(parity, parityCode);
    SelectData(stopBits, stopCode);
    device->setEditText(dev);
}

void PortSettingsDialog::CheckDevice()
{
    // Only an absolute path names a device; anything else would be looked
    // up relative to wherever the program was started.
    buttons->button(QDialogButtonBox::Ok)->setEnabled(device->currentText().trimmed().startsWith(u'/'));
}

void PortSettingsDialog::accept()
{
    const std::string path = device->currentText().trimmed().toStdString();
    if (!WriteComDevicePath(settings_, port_, path))
        return;
    SerialParams p;
    p.baudRate = rate->currentData().toInt();
    p.byteSize = dataBits->currentData().toInt();
    p.parity = parity->currentData().toInt();
    p.stopBits = stopBits->currentData().toInt();
    WritePortParams(settings_, port_, p);
    QDialog::accept();
}

ComResponseDialog::ComResponseDialog(SettingsStore& settings, QWidget* parent) : QDialog(parent), settings_(settings)
{
    setWindowTitle(QStringLiteral("COM  포트 반응 속도 조절"));
    interval = new QSpinBox;
    interval->setRange(0, 2000);
    interval->setValue(ReadWaitInterval(settings_));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("반응 속도(&W):")));
    row->addWidget(interval);
    row->addWidget(new QLabel(QStringLiteral("기본값:  200")));
    row->addStretch(1);
    static_cast<QLabel*>(row->itemAt(0)->widget())->setBuddy(interval);
    auto* hint = new QLabel(QStringLiteral("9600 bps 이하에서는 50 이하가, 28800 bps 이상에서는 200 이상이 알맞습니다.\n"
                                           "가장 알맞은 값은 모뎀에 따라 다릅니다."));
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(row);
    lay->addWidget(hint);
    lay->addWidget(OkCancelButtons(this));
}

void ComResponseDialog::accept()
{
    WriteWaitInterval(settings_, interval->value());
    QDialog::accept();
}

}  // namespace velo
