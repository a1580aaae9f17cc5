// The rules of the phone book's dialogs, driven as a user would (buttons,
// actions, keys) with the message boxes and the entry dialog answered by the
// test.
#include <gtest/gtest.h>

#include "tests/shell/QtTestApp.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeView>
#include <cstring>

#include "base/SettingsStore.h"
#include "connect/PhoneBook.h"
#include "connect/ui/DialDialog.h"
#include "connect/ui/EntryDialog.h"
#include "connect/ui/PhoneBookDialog.h"

using namespace velo;

namespace {

struct Asked {
    QString title, text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
};

// Records every message box and answers with the next scripted button.
struct Answers {
    std::vector<Asked> asked;
    std::vector<QMessageBox::StandardButton> script;
    MessageFn Fn()
    {
        return [this](QWidget*, QMessageBox::Icon icon, const QString& title, const QString& text,
                      QMessageBox::StandardButtons buttons) {
            asked.push_back({title, text, icon, buttons});
            if (script.empty())
                return QMessageBox::Ok;
            QMessageBox::StandardButton b = script.front();
            script.erase(script.begin());
            return b;
        };
    }
};

PhoneBookEntry Named(const char* name, const char* number)
{
    PhoneBookEntry e;
    SetEntryText(e.name, name);
    SetEntryText(e.number, number);
    return e;
}

struct PhoneBookDialogTest : ::testing::Test {
    QApplication* app = test::App();
    MemorySettingsStore store;
    Answers answers;
    std::unique_ptr<PhoneBookDialog> Open()
    {
        auto d = std::make_unique<PhoneBookDialog>(store, ComPortList{});
        d->SetMessenger(answers.Fn());
        return d;
    }
};

}  // namespace

TEST_F(PhoneBookDialogTest, AnEmptyBookOffersOnlyAddAndAnAddedEntryIsChosenAndDialledAfterTheSaveQuestion)
{
    auto d = Open();
    EXPECT_EQ(d->windowTitle(), "전화 번호부");
    EXPECT_TRUE(d->Entries().empty());
    EXPECT_TRUE(d->Action(PhoneBookDialog::Add)->isEnabled());
    EXPECT_FALSE(d->Action(PhoneBookDialog::Edit)->isEnabled());
    EXPECT_FALSE(d->Action(PhoneBookDialog::Delete)->isEnabled());
    EXPECT_FALSE(d->DialButton()->isEnabled());

    bool addingSeen = false;
    d->SetEditor([&](QWidget*, PhoneBookEntry* e, bool adding) {
        addingSeen = adding;
        EXPECT_EQ(e->termType, kTermAnsi);  // a fresh entry
        *e = Named("데모", "127.0.0.1");
        return true;
    });
    d->Action(PhoneBookDialog::Add)->trigger();
    EXPECT_TRUE(addingSeen);
    ASSERT_EQ(d->Entries().size(), 1u);
    EXPECT_EQ(d->CurrentRow(), 0);
    EXPECT_TRUE(d->Modified());
    EXPECT_TRUE(d->DialButton()->isEnabled());

    // Cancel to the save question stays in the dialog, unsaved.
    answers.script = {QMessageBox::Cancel};
    d->DialButton()->click();
    EXPECT_EQ(answers.asked.back().text, "전화 번호부가 변경되었습니다.\n저장하시겠습니까?");
    EXPECT_EQ(answers.asked.back().buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_FALSE(d->Chosen());
    EXPECT_EQ(store.ReadInt("전화 번호부", "갯수", -1), -1);
    // Yes saves first, then the entry is returned.
    answers.script = {QMessageBox::Yes};
    d->DialButton()->click();
    ASSERT_TRUE(d->Chosen());
    EXPECT_STREQ(d->Chosen()->name, "데모");
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_EQ(store.ReadInt("전화 번호부", "갯수", -1), 1);
    EXPECT_FALSE(store.ReadString("전화 번호부", "사각형", "").empty());
}

TEST_F(PhoneBookDialogTest, DeletingAsksAndMovesTheSelectionToTheSamePlaceOrTheNewLast)
{
    SavePhoneBook(store, {Named("하나", "1"), Named("둘", "2"), Named("셋", "3"), Named("넷", "4")});
    auto d = Open();
    d->show();
    d->SelectRow(3);
    answers.script = {QMessageBox::No};
    d->Action(PhoneBookDialog::Delete)->trigger();
    EXPECT_EQ(answers.asked.back().title, "넷 : 4");
    EXPECT_EQ(answers.asked.back().text, "이 항목을 삭제하시겠습니까?");
    EXPECT_EQ(d->Entries().size(), 4u);
    EXPECT_FALSE(d->Modified());

    answers.script = {QMessageBox::Yes};
    d->Action(PhoneBookDialog::Delete)->trigger();
    ASSERT_EQ(d->Entries().size(), 3u);
    EXPECT_EQ(d->CurrentRow(), 2);  // the new last
    d->SelectRow(1);
    // The Delete key on the list does the same.
    answers.script = {QMessageBox::Yes};
    QWidget* list = d->findChild<QTreeView*>();
    d->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d.get()));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_EQ(d->Entries().size(), 2u);
    EXPECT_STREQ(d->Entries()[1].name, "셋");
    EXPECT_EQ(d->CurrentRow(), 1);  // the same place
    EXPECT_TRUE(d->Modified());

    // Leaving a changed book: Cancel stays, No leaves it unsaved.
    answers.script = {QMessageBox::Cancel};
    d->reject();
    EXPECT_TRUE(d->isVisible());
    answers.script = {QMessageBox::No};
    d->reject();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(LoadPhoneBook(store).entries.size(), 4u);

    // Closed by the program (its frame ending on a signal): no question
    // that nobody would answer, nothing saved.
    d->show();
    d->SetEditor([](QWidget*, PhoneBookEntry* e, bool) { *e = Named("다섯", "5"); return true; });
    d->AddEntry();
    const size_t asked = answers.asked.size();
    d->close();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(answers.asked.size(), asked);
    EXPECT_EQ(LoadPhoneBook(store).entries.size(), 4u);
}

TEST_F(PhoneBookDialogTest, ViewStyleAndPlacementAreRememberedAndBadPasswordsReported)
{
    PhoneBookEntry e = Named("a", "b");
    SavePhoneBook(store, {e, e, e});
    store.WriteString("전화 번호부", "Password0", "999000111222");
    store.WriteString("전화 번호부", "Password2", "999000111222");
    store.WriteString("전화 번호부", "모양", "sideways");
    {
        auto d = Open();
        EXPECT_EQ(d->View(), PhoneBookView::Details);
        EXPECT_TRUE(answers.asked.empty());  // told once the dialog is up
        d->show();
        QApplication::processEvents();
        ASSERT_EQ(answers.asked.size(), 2u);
        EXPECT_EQ(answers.asked[0].text,
                  "암호가 올바르지 않습니다.\n암호를 수동으로 변경하면 문제가 생길 수도 있습니다.");
        d->Action(PhoneBookDialog::Large)->trigger();
        EXPECT_EQ(store.ReadInt("전화 번호부", "모양", -1), 0);
        d->move(40, 30);
        d->resize(500, 300);
        d->reject();
    }
    EXPECT_EQ(store.ReadString("전화 번호부", "사각형", ""), "0040 0030 0540 0330");
    auto d = Open();
    EXPECT_EQ(d->View(), PhoneBookView::LargeIcons);
    EXPECT_TRUE(d->Action(PhoneBookDialog::Large)->isChecked());
    EXPECT_EQ(d->pos(), QPoint(40, 30));
    EXPECT_EQ(d->size(), QSize(500, 300));
}

namespace {

struct EntryDialogTest : ::testing::Test {
    QApplication* app = test::App();
    Answers answers;
    template <typename T>
    static T* Find(QDialog& d, const char* name)
    {
        T* w = d.findChild<T*>(QString::fromLatin1(name));
        EXPECT_TRUE(w) << name;
        return w;
    }
    static QString NumberLabel(QDialog& d)
    {
        for (QLabel* l : d.findChildren<QLabel*>())
            if (l->buddy() == Find<QComboBox>(d, "number"))
                return l->text();
        return {};
    }
};

}  // namespace

TEST_F(EntryDialogTest, ChoosingAServiceOrMethodFillsNameNumbersAndPrompts)
{
    EntryDialog d(PhoneBookEntry{}, true, {});
    EXPECT_EQ(d.windowTitle(), "새 접속 번호 추가");
    EXPECT_TRUE(Find<QRadioButton>(d, "service5")->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(d, "dial")->isChecked());
    EXPECT_EQ(NumberLabel(d), "전화 번호");
    EXPECT_FALSE(Find<QLineEdit>(d, "port")->isEnabled());
    EXPECT_TRUE(Find<QRadioButton>(d, "ANSI")->isChecked());

    auto* number = Find<QComboBox>(d, "number");
    Find<QRadioButton>(d, "service1")->click();
    EXPECT_EQ(Find<QLineEdit>(d, "name")->text(), "하이텔");
    EXPECT_EQ(number->count(), 7);
    EXPECT_EQ(number->currentText(), "01410");
    EXPECT_EQ(Find<QLineEdit>(d, "waitUserId")->text(), "이용자번호 :");
    EXPECT_EQ(Find<QLineEdit>(d, "waitPassword")->text(), "비밀  번호 :");

    Find<QRadioButton>(d, "telnet")->click();
    EXPECT_EQ(number->count(), 2);
    EXPECT_EQ(number->currentText(), "hitel.net");
    EXPECT_EQ(NumberLabel(d), "인터넷 주소");
    EXPECT_TRUE(Find<QLineEdit>(d, "port")->isEnabled());

    Find<QRadioButton>(d, "service4")->click();  // KESTRIX: a host, no numbers
    EXPECT_EQ(Find<QLineEdit>(d, "name")->text(), "Kestrix");
    Find<QRadioButton>(d, "dial")->click();
    EXPECT_EQ(number->count(), 0);
    EXPECT_EQ(number->currentText(), "");

    number->setEditText("0212345678");
    Find<QLineEdit>(d, "waitUserId")->setText("ID:");
    Find<QRadioButton>(d, "service5")->click();
    EXPECT_EQ(Find<QLineEdit>(d, "name")->text(), "알 수 없음");
    EXPECT_EQ(Find<QLineEdit>(d, "waitUserId")->text(), "");
    EXPECT_EQ(Find<QLineEdit>(d, "waitPassword")->text(), "");
    EXPECT_EQ(number->currentText(), "0212345678");
}

TEST_F(EntryDialogTest, OkChecksTheNumberAndBuildsTheEntryWithinItsLimits)
{
    PhoneBookEntry in;
    in.termType = 7;  // edited by hand: none of the three
    in.width = 500;
    in.kind = kEntryModem;
    EntryDialog d(in, false, {});
    d.SetMessenger(answers.Fn());
    EXPECT_EQ(d.windowTitle(), "접속 번호 수정");
    d.show();
    d.accept();
    ASSERT_EQ(answers.asked.size(), 1u);
    EXPECT_EQ(answers.asked[0].text, "인터넷 주소나 전화 번호를 입력해야 합니다.");
    EXPECT_EQ(answers.asked[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(d.isVisible());

    auto* number = Find<QComboBox>(d, "number");
    auto* port = Find<QLineEdit>(d, "port");
    Find<QRadioButton>(d, "telnet")->click();
    number->setEditText("  bbs.example.org ");
    port->setText("2323");
    Find<QLineEdit>(d, "password")->setText("비밀");
    EXPECT_EQ(Find<QLineEdit>(d, "password")->echoMode(), QLineEdit::Password);
    // The texts stop at what the record keeps.
    auto* user = Find<QLineEdit>(d, "userId");
    user->setFocus();
    QTest::keyClicks(user, QString(40, u'u'));
    EXPECT_EQ(user->text().size(), 31);
    d.accept();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    const PhoneBookEntry& e = d.Entry();
    EXPECT_EQ(e.kind, kEntryTelnet);
    EXPECT_STREQ(e.number, "bbs.example.org");
    EXPECT_EQ(e.port, 2323);
    EXPECT_EQ(e.termType, 0);
    EXPECT_EQ(e.width, 132);
    EXPECT_STREQ(e.password, "비밀");
    EXPECT_EQ(std::strlen(e.userId), 31u);

    // The port counts only for telnet.
    EntryDialog dial(e, false, {});
    Find<QRadioButton>(dial, "dial")->click();
    dial.accept();
    EXPECT_EQ(dial.Entry().kind, kEntryModem);
    EXPECT_EQ(dial.Entry().port, 23);
}

TEST_F(EntryDialogTest, ADirectPortEntryOffersTheFramesPortsAndStaysOne)
{
    PhoneBookEntry in;
    in.kind = kEntryComPort;
    in.port = 3;
    SetEntryText(in.number, "COM3");
    ComPortList ports = {{"COM1", "/dev/ttyS0"}, {"COM2", "/dev/ttyS1"}, {"COM3", "/dev/ttyUSB0"}};
    EntryDialog d(in, false, ports);
    EXPECT_FALSE(Find<QRadioButton>(d, "dial")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>(d, "telnet")->isChecked());
    EXPECT_EQ(NumberLabel(d), "COM 포트");
    auto* number = Find<QComboBox>(d, "number");
    EXPECT_EQ(number->count(), 3);
    EXPECT_EQ(number->currentText(), "COM3");
    number->setCurrentIndex(1);
    d.accept();
    EXPECT_EQ(d.Entry().kind, kEntryComPort);
    EXPECT_EQ(d.Entry().port, 2);
    EXPECT_STREQ(d.Entry().number, "COM2");

    EntryDialog again(in, false, ports);
    Find<QRadioButton>(again, "service0")->click();  // a service is dialled
    EXPECT_TRUE(Find<QRadioButton>(again, "dial")->isChecked());
    EXPECT_EQ(Find<QComboBox>(again, "number")->currentText(), "01421");
}

TEST(DialDialogTest, TheHistoryFillsTheDropDownAndOkNeedsAText)
{
    test::App();
    MemorySettingsStore s;
    {
        DialDialog d(s, HistoryKind::Host);
        EXPECT_EQ(d.windowTitle(), "Telnet 주소 입력");
        EXPECT_EQ(d.Box()->count(), 0);
        EXPECT_EQ(d.Box()->currentIndex(), -1);
        d.show();
        d.accept();  // nothing typed: nothing happens
        EXPECT_TRUE(d.isVisible());
        d.Box()->setEditText(" 127.0.0.1 2323 ");
        d.accept();
        EXPECT_EQ(d.result(), QDialog::Accepted);
        EXPECT_EQ(d.Text(), "127.0.0.1 2323");
    }
    UpdateDialHistory(s, HistoryKind::PhoneNumber, "111");
    UpdateDialHistory(s, HistoryKind::PhoneNumber, "222");
    DialDialog d(s, HistoryKind::PhoneNumber);
    EXPECT_EQ(d.windowTitle(), "직접 걸기");
    ASSERT_EQ(d.Box()->count(), 2);
    EXPECT_EQ(d.Box()->itemText(0), "222");
    EXPECT_EQ(d.Box()->currentText(), "222");
    EXPECT_EQ(ReadDialHistory(s, HistoryKind::Host)[0], "127.0.0.1 2323");
}
