#include "connect/ui/EntryDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "connect/ConnUi.h"
#include "connect/PhoneBook.h"
#include "connect/ui/ServiceIcons.h"

namespace velo {

namespace {

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }
std::string U(const QString& s) { return s.toUtf8().toStdString(); }

constexpr int kMethodDial = 0;
constexpr int kMethodTelnet = 1;

// The service buttons' labels; the entry's name is the service's own.
constexpr const char* kServiceButtons[] = {"천리안", "하이텔", "나우콤", "유니텔", "KESTRIX", "기타"};

}  // namespace

EntryDialog::EntryDialog(const PhoneBookEntry& entry, bool adding, ComPortList comPorts, QWidget* parent)
    : QDialog(parent), entry_(entry), comPorts_(std::move(comPorts))
{
    setWindowTitle(adding ? QStringLiteral("새 접속 번호 추가") : QStringLiteral("접속 번호 수정"));
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(BuildServices());
    auto* nameBox = new QGroupBox(QStringLiteral("전화 번호부 이름"));
    auto* nameLay = new QHBoxLayout(nameBox);
    name_ = Limited(kNameNumberLimit, "name");
    nameLay->addWidget(name_);
    lay->addWidget(nameBox);
    lay->addWidget(BuildNumber());
    lay->addWidget(BuildTerminal());
    lay->addWidget(BuildLogin());
    auto* preSendRow = new QHBoxLayout;
    preSend_ = Limited(kTextLimit, "preSend");
    auto* preSendLabel = new QLabel(QStringLiteral("접속 직후 보낼 문자열"));
    preSendLabel->setBuddy(preSend_);
    preSendRow->addWidget(preSendLabel);
    preSendRow->addWidget(preSend_, 1);
    lay->addLayout(preSendRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("확인"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("취소"));
    connect(buttons, &QDialogButtonBox::accepted, this, &EntryDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &EntryDialog::reject);
    lay->addWidget(buttons);
    lay->setSizeConstraint(QLayout::SetFixedSize);

    Show(entry_);
    connect(services_, &QButtonGroup::idClicked, this, [this] { Choose(); });
    connect(methods_, &QButtonGroup::idClicked, this, [this] { Choose(); });
}

QLineEdit* EntryDialog::Limited(int bytes, const char* objectName)
{
    auto* e = new QLineEdit;
    e->setObjectName(QString::fromLatin1(objectName));
    e->setValidator(new Utf8LimitValidator(bytes, e));
    return e;
}

QWidget* EntryDialog::BuildServices()
{
    auto* row = new QWidget;
    auto* lay = new QHBoxLayout(row);
    lay->setContentsMargins(0, 0, 0, 0);
    auto* box = new QGroupBox(QStringLiteral("서비스"));
    auto* grid = new QGridLayout(box);
    services_ = new QButtonGroup(this);
    for (int i = 0; i <= kServiceOther; ++i) {
        auto* b = new QRadioButton(Q(kServiceButtons[i]));
        b->setIcon(ServiceIcon(i));
        b->setObjectName(QStringLiteral("service%1").arg(i));
        services_->addButton(b, i);
        grid->addWidget(b, i / 3, i % 3);
    }
    lay->addWidget(box, 1);
    auto* how = new QGroupBox(QStringLiteral("접속 방법"));
    auto* howLay = new QVBoxLayout(how);
    methods_ = new QButtonGroup(this);
    auto* dial = new QRadioButton(QStringLiteral("전화 접속(&P)"));
    auto* telnet = new QRadioButton(QStringLiteral("&TELNET 접속"));
    dial->setObjectName(QStringLiteral("dial"));
    telnet->setObjectName(QStringLiteral("telnet"));
    methods_->addButton(dial, kMethodDial);
    methods_->addButton(telnet, kMethodTelnet);
    howLay->addWidget(dial);
    howLay->addWidget(telnet);
    lay->addWidget(how);
    return row;
}

QWidget* EntryDialog::BuildNumber()
{
    auto* box = new QGroupBox(QStringLiteral("번호"));
    auto* grid = new QGridLayout(box);
    numberLabel_ = new QLabel;
    number_ = new QComboBox;
    number_->setObjectName(QStringLiteral("number"));
    number_->setEditable(true);
    number_->setInsertPolicy(QComboBox::NoInsert);
    number_->setMinimumContentsLength(24);
    number_->setValidator(new Utf8LimitValidator(kNameNumberLimit, number_));
    numberLabel_->setBuddy(number_);
    port_ = new QLineEdit;
    port_->setObjectName(QStringLiteral("port"));
    port_->setValidator(new QIntValidator(1, 65535, port_));
    port_->setMaxLength(5);
    auto* portLabel = new QLabel(QStringLiteral("텔넷 포트 선택 :"));
    portLabel->setBuddy(port_);
    grid->addWidget(numberLabel_, 0, 0);
    grid->addWidget(number_, 0, 1, 1, 3);
    grid->addWidget(portLabel, 1, 0);
    grid->addWidget(port_, 1, 1);
    grid->setColumnStretch(2, 1);
    return box;
}

QWidget* EntryDialog::BuildTerminal()
{
    auto* box = new QGroupBox(QStringLiteral("터미널 설정"));
    auto* grid = new QGridLayout(box);
    auto spin = [](int lo, int hi, const char* name) {
        auto* s = new QSpinBox;
        s->setRange(lo, hi);
        s->setObjectName(QString::fromLatin1(name));
        return s;
    };
    width_ = spin(1, 132, "width");
    height_ = spin(1, 50, "height");
    chatLines_ = spin(1, 5, "chatLines");
    grid->addWidget(new QLabel(QStringLiteral("가로")), 0, 0);
    grid->addWidget(width_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("세로")), 1, 0);
    grid->addWidget(height_, 1, 1);
    termType_ = new QButtonGroup(this);
    const char* types[] = {"VT100", "VT220", "ANSI"};
    auto* typeCol = new QVBoxLayout;
    for (int i = 0; i < 3; ++i) {
        auto* b = new QRadioButton(Q(types[i]));
        b->setObjectName(QString::fromLatin1(types[i]));
        termType_->addButton(b, i);
        typeCol->addWidget(b);
    }
    grid->addLayout(typeCol, 0, 2, 3, 1);
    autoWrap_ = new QCheckBox(QStringLiteral("Autowrap"));
    autoWrap_->setObjectName(QStringLiteral("autoWrap"));
    grid->addWidget(autoWrap_, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("채팅창 줄 수")), 1, 3);
    grid->addWidget(chatLines_, 1, 4);
    grid->setColumnStretch(5, 1);
    return box;
}

QWidget* EntryDialog::BuildLogin()
{
    auto* box = new QGroupBox(QStringLiteral("자동 접속"));
    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel(QStringLiteral("반응 할 문자열")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("보낼 문자열")), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("사용자 이름")), 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("비밀 번호")), 2, 0);
    waitUserId_ = Limited(kTextLimit, "waitUserId");
    userId_ = Limited(kTextLimit, "userId");
    waitPassword_ = Limited(kTextLimit, "waitPassword");
    password_ = Limited(kTextLimit, "password");
    password_->setEchoMode(QLineEdit::Password);
    grid->addWidget(waitUserId_, 1, 1);
    grid->addWidget(userId_, 1, 2);
    grid->addWidget(waitPassword_, 2, 1);
    grid->addWidget(password_, 2, 2);
    return box;
}

bool EntryDialog::Telnet() const { return methods_->checkedId() == kMethodTelnet; }

bool EntryDialog::Serial() const { return methods_->checkedId() < 0; }

void EntryDialog::Show(const PhoneBookEntry& e)
{
    int service = e.service >= 0 && e.service <= kServiceOther ? e.service : kServiceOther;
    services_->button(service)->setChecked(true);
    if (!EntryIsComPort(e))
        methods_->button(EntryIsTelnet(e) ? kMethodTelnet : kMethodDial)->setChecked(true);
    name_->setText(QString::fromUtf8(e.name));
    number_->setEditText(QString::fromUtf8(e.number));
    FillNumbers(true);
    port_->setText(EntryIsComPort(e) ? QString() : QString::number(e.port));
    width_->setValue(e.width);
    height_->setValue(e.height);
    // A stored type outside the three leaves none chosen (OK makes it VT100).
    if (QAbstractButton* b = termType_->button(e.termType))
        b->setChecked(true);
    autoWrap_->setChecked(e.autoWrap != 0);
    chatLines_->setValue(e.chatLines);
    waitUserId_->setText(QString::fromUtf8(e.waitUserId));
    userId_->setText(QString::fromUtf8(e.userId));
    waitPassword_->setText(QString::fromUtf8(e.waitPassword));
    password_->setText(QString::fromUtf8(e.password));
    preSend_->setText(QString::fromUtf8(e.preSend));
    FollowKind();
}

void EntryDialog::Choose()
{
    const int service = services_->checkedId();
    // A built-in service is reached by dial-up or telnet, never by a direct
    // port: choosing one on a direct-port entry makes it a dial-up entry.
    if (Serial() && service != kServiceOther)
        methods_->button(kMethodDial)->setChecked(true);
    PhoneBookEntry e;
    SetEntryText(e.number, U(number_->currentText()));
    ChooseService(&e, service, Telnet());
    name_->setText(QString::fromUtf8(e.name));
    waitUserId_->setText(QString::fromUtf8(e.waitUserId));
    waitPassword_->setText(QString::fromUtf8(e.waitPassword));
    FillNumbers(service == kServiceOther);
    FollowKind();
}

// The drop-down's list: the frame's COM ports for a direct-port entry, else
// the chosen service's access numbers or hosts. keepText leaves the number as
// it stands; otherwise the first of the list is chosen (or nothing).
void EntryDialog::FillNumbers(bool keepText)
{
    const QString text = number_->currentText();
    QStringList items;
    if (Serial()) {
        for (const ComPortChoice& p : comPorts_)
            items << p.name;
    } else if (const BuiltInService* s = FindService(services_->checkedId())) {
        for (const char* n : Telnet() ? s->hosts : s->numbers)
            items << Q(n);
    }
    if (number_->isEditable() == Serial()) {
        number_->setEditable(!Serial());
        if (number_->isEditable())
            number_->setValidator(new Utf8LimitValidator(kNameNumberLimit, number_));
    }
    number_->clear();
    number_->addItems(items);
    if (Serial()) {
        for (int i = 0; i < int(comPorts_.size()); ++i)
            number_->setItemData(i, comPorts_[size_t(i)].device, Qt::ToolTipRole);
        int at = number_->findText(text);
        if (at < 0 && !text.isEmpty()) {
            number_->addItem(text);
            at = number_->count() - 1;
        }
        number_->setCurrentIndex(std::max(at, 0));
    } else if (keepText) {
        number_->setEditText(text);
    } else {
        number_->setCurrentIndex(items.isEmpty() ? -1 : 0);
        if (items.isEmpty())
            number_->setEditText(QString());
    }
}

void EntryDialog::FollowKind()
{
    numberLabel_->setText(Serial() ? QStringLiteral("COM 포트") : Telnet() ? QStringLiteral("인터넷 주소")
                                                                        : QStringLiteral("전화 번호"));
    port_->setEnabled(Telnet());
}

void EntryDialog::accept()
{
    const QString number = number_->currentText().trimmed();
    if (number.isEmpty()) {
        message_(this, QMessageBox::Warning, Q(kProgramName.data()),
                 QStringLiteral("인터넷 주소나 전화 번호를 입력해야 합니다."), QMessageBox::Ok);
        return;
    }
    PhoneBookEntry e = entry_;
    e.service = std::max(services_->checkedId(), 0);
    e.kind = Serial() ? kEntryComPort : Telnet() ? kEntryTelnet : kEntryModem;
    e.port = 23;
    if (Telnet() && !port_->text().isEmpty() && port_->hasAcceptableInput())
        e.port = port_->text().toInt();
    if (Serial()) {
        // "COM3" names port 3.
        bool ok = false;
        int n = number.mid(3).toInt(&ok);
        e.port = number.startsWith(QStringLiteral("COM")) && ok && n >= 1 && n <= 9 ? n : 1;
    }
    SetEntryText(e.name, U(name_->text()));
    SetEntryText(e.number, U(number));
    e.width = width_->value();
    e.height = height_->value();
    e.termType = std::max(termType_->checkedId(), 0);
    e.autoWrap = autoWrap_->isChecked() ? 1 : 0;
    e.chatLines = chatLines_->value();
    SetEntryText(e.waitUserId, U(waitUserId_->text()));
    SetEntryText(e.userId, U(userId_->text()));
    SetEntryText(e.waitPassword, U(waitPassword_->text()));
    SetEntryText(e.password, U(password_->text()));
    SetEntryText(e.preSend, U(preSend_->text()));
    entry_ = e;
    QDialog::accept();
}

}  // namespace velo
