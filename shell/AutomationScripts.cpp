// The services' dialogues. Each script sends, waits for the host's prompt and
// answers it; a wait that ends the run (-1) or sees another prompt than the
// one the script goes on with ends the script at once. Prompts and replies
// are the services' own, byte for byte once in host code; every stored value
// (recipient, subject, title, ...) goes out followed by a carriage return.
#include "shell/Automation.h"

namespace velo {

namespace {

constexpr std::string_view kWrongRecipient = "수신자 ID를 잘못 입력 하였습니다.";
constexpr std::string_view kWrongCc = "참조자 ID를 잘못 입력 하였습니다.";
constexpr std::string_view kMailSent = "편지를 보냈습니다.";
constexpr std::string_view kPosted = "글을 올렸습니다.";

// Kestrix's menus, shared by its mail and post.
constexpr std::string_view kKestrixTextKind = "!(1)79칸글틀 (2)73칸글틀 (3)완성형UP (4)조합형UP (0)취소:";
constexpr std::string_view kKestrixProtocol = "!(1)Zmodem (2)Kermit (3)Xmodem(CRC) (4)Xmodem(CHK) (5)Ymodem (0)취소:";
constexpr std::string_view kKestrixEnter = "# <Enter>키를 치세요.";
// 천리안's protocol menu of a mail.
constexpr std::string_view kChollianProtocol = "Ymodem(6) Zmodem(7) Zmodem-Internet(8) 취소(9) >";
constexpr std::string_view kHitelEnter = "[ENTER] 를 누르십시오";

// 천리안 (service 0).
void MailChollian(ScriptIo& io, const MailJob& m, const std::string& bodyPath)
{
    const bool body = !m.body.empty(), att = !m.attachment.empty();
    io.Send("go top\r");
    if (!io.Wait("정보찾기(FIND) 직접이동(GO) 재접속(LOG) 접속종료(X,BYE) 기타(Z)") || !io.Wait("선택>"))
        return;
    io.Send("go wmail\r");
    if (!io.Wait("수신자 :"))
        return;
    io.SendValue(m.recipient);
    int r = io.Wait({"수신자 입력을 끝내시려면 엔터키만 치십시오.", "수신자 ID가 잘못 입력되었습니다 !!"});
    if (r == 1)
        io.Show(kWrongRecipient, true);
    if (r != 0)
        return;
    if (!io.Wait("수신자 :"))
        return;
    io.Send("\r");
    if (!io.Wait("제  목 :"))
        return;
    io.SendValue(m.subject);
    if (!io.Wait("선택>"))
        return;
    io.Send("up\r");
    if (!io.Wait("편지형태 : TEXT(1) BINARY(2) BINARY+설명(3) GRAPHIC(4) >"))
        return;
    // The attachment from the file-name prompt on (attachment alone, or after the body).
    auto attachment = [&] {
        if (!io.Wait("수신자에게 보내는 화일이름을 입력하십시오 (형식 : xxxxxxxx.xxx) >"))
            return false;
        io.SendValue(AttachmentName(m.attachment));
        if (!io.Wait(kChollianProtocol))
            return false;
        io.Send("7\r");
        if (!io.Wait("파일전송후 자동으로 송신하시겠습니까 (y/N) ?"))
            return false;
        io.Send("y\r");
        return io.Upload(m.attachment);
    };
    if (body && !att) {
        io.Send("1\r");
        if (!io.Wait(kChollianProtocol))
            return;
        io.Send("7\r");
        if (!io.Upload(bodyPath) || !io.Wait("선택>"))
            return;
        io.Send("s\r");
    } else if (att && !body) {
        io.Send("2\r");
        if (!attachment())
            return;
    } else {
        io.Send("3\r");
        if (!io.Wait("작성(엔터키) PICO에디터(PI) PC로부터전송(UP) 취소(C) >"))
            return;
        io.Send("up\r");
        if (!io.Wait(kChollianProtocol))
            return;
        io.Send("7\r");
        if (!io.Upload(bodyPath) || !io.Wait("편지형태 : BINARY(1) GRAPHIC(2) 취소(C) >"))
            return;
        io.Send("1\r");
        if (!attachment())
            return;
    }
    if (!io.Wait("편지송신이 되었습니다 !!"))
        return;
    io.Show(kMailSent);
    if (!io.Wait("계속 편지쓰기를 하시겠습니까? (y/N/go)"))
        return;
    io.Send("n\r");
}

// 하이텔 (service 1): a text mail for the body, then a binary mail for the
// attachment, each through the whole dialogue.
void MailHitel(ScriptIo& io, const MailJob& m, const std::string& bodyPath)
{
    const bool body = !m.body.empty(), att = !m.attachment.empty();
    auto opening = [&] {
        io.Send("t\r");
        if (!io.Wait("번호/명령") || !io.Wait(">>"))
            return false;
        io.Send("go wmail\r");
        if (!io.Wait("수신 :"))
            return false;
        io.SendValue(m.recipient);
        int r = io.Wait({"참조 :", "정상이용자가 아닙니다."});
        if (r == 1) {
            io.Show(kWrongRecipient, true);
            io.SendMacro("\\r\\w\\w\\r");
        }
        if (r != 0)
            return false;
        io.SendValue(m.cc);
        r = io.Wait({"제목 :", "정상이용자가 아닙니다."});
        if (r == 1) {
            io.Show(kWrongCc, true);
            io.SendMacro("\\r\\w\\w\\r\\w\\w\\r");
        }
        if (r != 0)
            return false;
        io.SendValue(m.subject);
        if (!io.Wait("작성방법(1:에디터 2:KERMIT 3:ZMODEM 4:SUPERKERMIT") || !io.Wait(">>"))
            return false;
        io.Send("3\r");
        return io.Wait("화일형태(1:바이너리화일 2:비디오텍스 3:완성형텍스트 H:도움말 0:취소)") && io.Wait(">>");
    };
    // From the upload's confirmation to the sent notice.
    auto sendIt = [&](bool askContent) {
        if (!io.Wait(kHitelEnter))
            return false;
        io.Send("\r");
        if (askContent) {
            if (!io.Wait("편지 내용이 맞습니까?(Y/n)"))
                return false;
            io.Send("\r");
        }
        if (!io.Wait("번호선택 >>"))
            return false;
        io.Send("\r");
        if (!io.Wait("번호/명령 >>"))
            return false;
        io.Send("1\r");
        return io.Wait("* 편지를 발송하였습니다.");
    };
    if (body) {
        if (!opening())
            return;
        io.Send("3\r");
        if (!io.Upload(bodyPath) || !sendIt(true))
            return;
        if (!att)
            io.Show("편지를 발송하였습니다.");
        if (!io.Wait(kHitelEnter))
            return;
        io.Send("\r");
    }
    if (att) {
        if (!opening())
            return;
        io.Send("1\r");
        if (!io.Upload(m.attachment) || !sendIt(false))
            return;
        io.Show(kMailSent);
        if (!io.Wait(kHitelEnter))
            return;
        io.Send("\r");
    }
}

// 나우콤 (service 2): one mail; with both, the body goes first under the
// attachment's name.
void MailNowcom(ScriptIo& io, const MailJob& m, const std::string& bodyPath)
{
    const bool body = !m.body.empty(), att = !m.attachment.empty();
    io.Send("go top\r");
    if (!io.Wait("명령어안내(C) 직접이동(GO) 종료(X)") || !io.Wait("선택>"))
        return;
    io.Send("go wmail\r");
    if (!io.Wait("나우ID :"))
        return;
    io.SendValue(m.recipient);
    int r = io.Wait({"제 목 (60Byte이내) :", "는 없는 ID입니다."});
    if (r == 1)
        io.Show(kWrongRecipient, true);
    if (r != 0)
        return;
    io.SendValue(m.subject);
    if (!io.Wait("1. 문서(Text)  2. 이진(Binary)  3. 문서 + 이진  0. 취소"))
        return;
    io.Send(body && att ? "3\r" : body ? "1\r" : "2\r");
    if (body) {
        if (!io.Wait("1.줄쓰기  2.쪽쓰기  3.PICO  4.VI  5.Zmodem  6.Kermit 0.취소 선택 >"))
            return;
        io.Send("5\r");
        if (!io.Upload(bodyPath, att ? AttachmentName(m.attachment) : std::string()))
            return;
    }
    if (att) {
        if (!io.Wait("송신프로토콜 (1:Zmodem, 2:Kermit, 0:취소) ::"))
            return;
        io.Send("1\r");
        if (!io.Upload(m.attachment))
            return;
    }
    if (!io.Wait("선택>"))
        return;
    io.Send("\r");
    if (!io.Wait("전송하시겠습니까? (Y/n ... 번호 : 수정 )"))
        return;
    io.Send("\r");
    r = io.Wait({"발신되었습니다.", "발신에 장애가 생겼습니다."});
    if (r < 0)
        return;
    io.Show(r == 0 ? kMailSent : std::string_view("발신에 장애가 생겼습니다."));
    if (!io.Wait("[Enter]를 누르십시오."))
        return;
    io.Send("\r");
}

// Kestrix (service 4): the attachment first, then the text; a pause before
// the answers to the recipient, type and subject prompts.
void MailKestrix(ScriptIo& io, const MailJob& m, const std::string& bodyPath)
{
    io.Send("go wmail\r");
    if (!io.Wait("1) 받을 사람 ID:"))
        return;
    io.Pause();
    io.SendValue(m.recipient);
    int r = io.Wait({"2) 받을 사람 ID:", "1) 받을 사람"});
    if (r == 1) {
        io.Show(kWrongRecipient, true);
        io.Send("\r");
    }
    if (r != 0)
        return;
    io.Pause();
    io.Send("\r");
    if (!io.Wait("!(1)일반편지 (2)답장요구 (3)비밀편지 (0)취소:"))
        return;
    io.Pause();
    io.Send("1\r");
    if (!io.Wait("제  목:"))
        return;
    io.Pause();
    io.SendValue(m.subject);
    if (!io.Wait("!(1)문서편지 (2)이진편지 (0)취소:"))
        return;
    if (!m.attachment.empty()) {
        io.Send("2\r");
        if (!io.Wait(kKestrixProtocol))
            return;
        io.Send("1\r");
        if (!io.Upload(m.attachment) || !io.Wait(kKestrixEnter))
            return;
        io.Send("\r");
    } else {
        io.Send("1\r");
    }
    if (!io.Wait(kKestrixTextKind))
        return;
    io.Send("3\r");
    if (!io.Wait(kKestrixProtocol))
        return;
    io.Send("1\r");
    if (!io.Upload(bodyPath) || !io.Wait(kKestrixEnter))
        return;
    io.Send("\r");
    if (!io.Wait("님에게 편지를 보냈습니다."))
        return;
    io.Show("편지를 보냈습니다");
}

// Posts: every answer after the first "w\r" waits 500 ms first.
void PostChollian(ScriptIo& io, const std::string& title, const std::string& bodyPath)
{
    io.Send("w\r");
    if (!io.Wait("제  목 :"))
        return;
    io.Pause();
    io.SendValue(title);
    if (!io.Wait("작성(1) PICO에디터(2) 사용자영역에서복사(3) PC로부터전송(4) 취소(5) >"))
        return;
    io.Pause();
    io.Send("4\r");
    if (!io.Wait("Ymodem(6) Zmodem(7) 취소(8) >"))
        return;
    io.Pause();
    io.Send("7\r");
    if (!io.Upload(bodyPath) || !io.Wait("취소("))
        return;
    io.Pause();
    io.Send("1\r");
    if (!io.Wait("#  등록되었습니다 !!"))
        return;
    io.Show(kPosted);
    if (!io.Wait("선택>"))
        return;
    io.Pause();
    io.Send("dir\r");
}

void PostHitel(ScriptIo& io, const std::string& title, const std::string& bodyPath)
{
    // 하이텔 keeps the name the PC announces; the script types and announces one.
    static const std::string kUploadName = "lalala.txt";
    io.Send("w\r");
    if (!io.Wait("제목 :"))
        return;
    io.Pause();
    io.SendValue(title);
    if (!io.Wait("1:라인에디터, 2:폼에디터, 3:kermit, 4:zmodem, 5:super kermit, 0:취소) :"))
        return;
    io.Pause();
    io.Send("4\r");
    if (!io.Wait("[ENTER] 를 누르십시오."))
        return;
    io.Pause();
    io.Send("\r");
    if (!io.Wait("Upload할 화일명은 PC화일명과 동일하게 입력하여 주시기 바랍니다.") || !io.Wait(":"))
        return;
    io.Pause();
    io.Send(kUploadName);
    io.Send("\r");
    if (!io.Upload(bodyPath, kUploadName) || !io.Wait("[ENTER] 를 누르십시오."))
        return;
    io.Pause();
    io.Send("\r");
    if (!io.Wait("주제어 1 :"))
        return;
    io.Pause();
    io.Send("\r");
    if (!io.Wait("전송하시겠습니까? (Y/n) >>"))
        return;
    io.Pause();
    io.Send("y\r");
    if (!io.Wait("전송을 마쳤습니다."))
        return;
    io.Show(kPosted);
}

void PostNowcom(ScriptIo& io, const std::string& title, const std::string& bodyPath)
{
    io.Send("w\r");
    if (!io.Wait("제목(영문 60, 한글 30자) :"))
        return;
    io.Pause();
    io.SendValue(title);
    if (!io.Wait("선택 >"))
        return;
    io.Pause();
    io.Send("5\r");
    if (!io.Upload(bodyPath) || !io.Wait("작성된 본문을 입력하시겠습니까 ? (Y/n)"))
        return;
    io.Pause();
    io.Send("y\r");
    if (!io.Wait("저장되었습니다."))
        return;
    io.Show(kPosted);
}

void PostKestrix(ScriptIo& io, const std::string& title, const std::string& bodyPath)
{
    io.Send("w\r");
    if (!io.Wait("제  목:"))
        return;
    io.Pause();
    io.SendValue(title);
    if (!io.Wait(kKestrixTextKind))
        return;
    io.Pause();
    io.Send("3\r");
    if (!io.Wait(kKestrixProtocol))
        return;
    io.Pause();
    io.Send("1\r");
    if (!io.Upload(bodyPath) || !io.Wait(kKestrixEnter))
        return;
    io.Pause();
    io.Send("\r");
    if (!io.Wait("# 문서 전송을 완료 하였습니다."))
        return;
    io.Show(kPosted);
}

}  // namespace

void PlayMailScript(int service, ScriptIo& io, const MailJob& job, const std::string& bodyPath)
{
    if (job.body.empty() && job.attachment.empty())
        return;
    switch (service) {
    case 0: MailChollian(io, job, bodyPath); break;
    case 1: MailHitel(io, job, bodyPath); break;
    case 2: MailNowcom(io, job, bodyPath); break;
    case 4: MailKestrix(io, job, bodyPath); break;
    default: break;
    }
}

void PlayPostScript(int service, ScriptIo& io, const std::string& title, const std::string& bodyPath)
{
    switch (service) {
    case 0: PostChollian(io, title, bodyPath); break;
    case 1: PostHitel(io, title, bodyPath); break;
    case 2: PostNowcom(io, title, bodyPath); break;
    case 4: PostKestrix(io, title, bodyPath); break;
    default: break;
    }
}

}  // namespace velo
