#include "connect/ui/ModemDialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "connect/SerialDevice.h"
#include "connect/ui/DialogButtons.h"

namespace velo {

namespace {

constexpr int kSpeeds[] = {2400, 9600, 14400, 19200, 28800, 38400, 57600, 115200, 230400, 460800};
// The modem's extra initialisation is one AT command line.
constexpr int kUserInitMax = 1023;

// The list's picture of a modem: a desk modem with its lamps.
QIcon ModemIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        p.setPen(QPen(QColor(43, 43, 43), 1.0));
        p.setBrush(QColor(200, 200, 196));
        QPolygonF body;
        body << QPointF(1.5, 7) << QPointF(14.5, 7) << QPointF(13.5, 12.5) << QPointF(2.5, 12.5);
        p.drawPolygon(body);
        p.setBrush(QColor(150, 150, 146));
        p.drawRect(QRectF(2.5, 4.5, 11, 2.5));
        p.setPen(Qt::NoPen);
        int i = 0;
        for (double x : {4.0, 6.5, 9.0, 11.5})
            p.setBrush(i++ == 1 ? QColor(200, 54, 46) : QColor(47, 143, 78)), p.drawEllipse(QPointF(x, 10), 0.9, 0.9);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

}  // namespace

ModemConfigDialog::ModemConfigDialog(const ModemInfo& modem, const QString& title, QWidget* parent)
    : QDialog(parent), modem_(modem)
{
    setWindowTitle(title);
    name = new QLineEdit(QString::fromStdString(modem.name));
    name->setMaxLength(63);
    device = new QComboBox;
    device->setEditable(true);
    device->setInsertPolicy(QComboBox::NoInsert);
    device->setMinimumContentsLength(18);
    for (const std::string& d : ListSerialDevices())
        device->addItem(QString::fromStdString(d));
    device->setEditText(QString::fromStdString(modem.device));
    speed = new QComboBox;
    for (int s : kSpeeds)
        speed->addItem(QString::number(s), s);
    int at = speed->findData(modem.baudRate);
    if (at < 0) {
        speed->addItem(QString::number(modem.baudRate), modem.baudRate);
        at = speed->count() - 1;
    }
    speed->setCurrentIndex(at);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("이름(&N):"), name);
    form->addRow(QStringLiteral("장치(&E):"), device);
    form->addRow(QStringLiteral("최대 속도(&M):"), speed);
    buttons = OkCancelButtons(this);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(form);
    lay->addWidget(buttons);
    connect(name, &QLineEdit::textChanged, this, &ModemConfigDialog::Check);
    connect(device, &QComboBox::editTextChanged, this, &ModemConfigDialog::Check);
    Check();
}

void ModemConfigDialog::Check()
{
    // A modem needs a name to be listed by and a device given by its
    // absolute path.
    buttons->button(QDialogButtonBox::Ok)
        ->setEnabled(!name->text().trimmed().isEmpty() && device->currentText().trimmed().startsWith(u'/'));
}

ModemInfo ModemConfigDialog::Result() const
{
    ModemInfo m = modem_;
    m.name = name->text().trimmed().toStdString();
    m.device = device->currentText().trimmed().toStdString();
    m.baudRate = speed->currentData().toInt();
    return m;
}

ModemSettingsDialog::ModemSettingsDialog(SettingsStore& settings, QWidget* parent)
    : QDialog(parent), settings_(settings), modems_(LineService::LoadModems(settings))
{
    setWindowTitle(QStringLiteral("모뎀 설정"));
    list = new QListWidget;
    list->setIconSize(QSize(24, 24));
    userInit = new QLineEdit;
    userInit->setMaxLength(kUserInitMax);
    configure = new QPushButton(QStringLiteral("구성(&F)..."));
    add = new QPushButton(QStringLiteral("추가(&A)..."));
    remove = new QPushButton(QStringLiteral("삭제(&D)"));

    auto* listLabel = new QLabel(QStringLiteral("설치된 모뎀 목록 :"));
    listLabel->setBuddy(list);
    auto* initLabel = new QLabel(QStringLiteral("초기화 명령"));
    initLabel->setBuddy(userInit);
    auto* side = new QVBoxLayout;
    side->addWidget(configure);
    side->addWidget(add);
    side->addWidget(remove);
    side->addStretch(1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(list, 1);
    middle->addLayout(side);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(listLabel);
    lay->addLayout(middle);
    lay->addWidget(initLabel);
    lay->addWidget(userInit);
    lay->addWidget(OkCancelButtons(this));

    connect(list, &QListWidget::currentRowChanged, this, &ModemSettingsDialog::SelectionChanged);
    connect(list, &QListWidget::itemDoubleClicked, this, &ModemSettingsDialog::accept);
    connect(userInit, &QLineEdit::textEdited, this, [this](const QString& text) {
        int row = list->currentRow();
        if (row >= 0 && row < int(modems_.size()))
            modems_[size_t(row)].userInit = text.toStdString();
    });
    connect(configure, &QPushButton::clicked, this, &ModemSettingsDialog::Configure);
    connect(add, &QPushButton::clicked, this, &ModemSettingsDialog::Add);
    connect(remove, &QPushButton::clicked, this, &ModemSettingsDialog::Remove);

    int current = LineService::CurrentModem(settings_);
    Fill(current >= 0 && current < int(modems_.size()) ? current : 0);
    resize(sizeHint().width() + 80, sizeHint().height());
}

void ModemSettingsDialog::Fill(int select)
{
    const QIcon icon = ModemIcon();
    list->clear();
    for (const ModemInfo& m : modems_)
        list->addItem(new QListWidgetItem(icon, QString::fromStdString(m.name)));
    if (!modems_.empty())
        list->setCurrentRow(std::clamp(select, 0, int(modems_.size()) - 1));
    SelectionChanged();
}

void ModemSettingsDialog::SelectionChanged()
{
    int row = list->currentRow();
    bool any = row >= 0 && row < int(modems_.size());
    userInit->setText(any ? QString::fromStdString(modems_[size_t(row)].userInit) : QString());
    userInit->setEnabled(any);
    configure->setEnabled(any);
    remove->setEnabled(any);
    add->setEnabled(int(modems_.size()) < LineService::kMaxModems);
}

void ModemSettingsDialog::Configure()
{
    int row = list->currentRow();
    if (row < 0 || row >= int(modems_.size()))
        return;
    ModemConfigDialog d(modems_[size_t(row)], QStringLiteral("모뎀 구성"), this);
    if (d.exec() != QDialog::Accepted)
        return;
    modems_[size_t(row)] = d.Result();
    Fill(row);
}

bool ModemSettingsDialog::AddModem(const ModemInfo& modem)
{
    if (int(modems_.size()) >= LineService::kMaxModems)
        return false;
    modems_.push_back(modem);
    Fill(int(modems_.size()) - 1);
    return true;
}

void ModemSettingsDialog::Add()
{
    ModemInfo fresh;
    fresh.name = "모뎀 " + std::to_string(modems_.size() + 1);
    std::vector<std::string> devices = ListSerialDevices();
    fresh.device = devices.empty() ? DefaultComDevice(1) : devices.back();
    ModemConfigDialog d(fresh, QStringLiteral("모뎀 추가"), this);
    if (d.exec() == QDialog::Accepted)
        AddModem(d.Result());
}

void ModemSettingsDialog::Remove()
{
    int row = list->currentRow();
    if (row < 0 || row >= int(modems_.size()))
        return;
    modems_.erase(modems_.begin() + row);
    Fill(row);
}

void ModemSettingsDialog::accept()
{
    LineService::SaveModems(settings_, modems_);
    int row = list->currentRow();
    if (row >= 0)
        LineService::SetCurrentModem(settings_, row);
    QDialog::accept();
}

}  // namespace velo
