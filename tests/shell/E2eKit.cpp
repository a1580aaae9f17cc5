#include "E2eKit.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <algorithm>

#include "terminal/HangulCodec.h"
#include "terminal/ui/CAnsiTerm.h"

namespace velo::test {

std::string RowsText(CAnsiTerm* t, int first)
{
    std::string all;
    const Terminal& m = t->Term();
    for (int h = std::max(0, first); h < m.LinesUsed(); ++h) {
        std::string_view row(reinterpret_cast<const char*>(m.HistoryLine(h).text), size_t(m.Columns()));
        all += hangul::DecodeToUtf8(row, m.DisplayCode());
        all += '\n';
    }
    return all;
}

std::string ScreenText(CAnsiTerm* t) { return RowsText(t, t->Term().LinesUsed() - t->Term().Rows()); }
std::string HistoryText(CAnsiTerm* t) { return RowsText(t, 0); }

bool PumpUntil(const std::function<bool()>& done, int ms)
{
    QDeadlineTimer until(ms);
    while (!until.hasExpired()) {
        if (done())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

bool DemoHost::Start(const QString& dir, const QStringList& extra)
{
    QString script = QStringLiteral(VELO_DEMOHOST);
    QString portFile = dir + "/port";
    proc.start(QStringLiteral("python3"),
               QStringList{script, "--port", "0", "--port-file", portFile, "--files", dir + "/files"} + extra);
    if (!proc.waitForStarted(5000))
        return false;
    return PumpUntil(
        [&] {
            QFile f(portFile);
            if (!f.open(QIODevice::ReadOnly))
                return false;
            port = f.readAll().trimmed().toInt();
            return port > 0;
        },
        10000);
}

DemoHost::~DemoHost()
{
    proc.kill();
    proc.waitForFinished(3000);
}

PhoneBookEntry DemoEntry(int port)
{
    PhoneBookEntry e;
    e.kind = kEntryTelnet;
    e.service = 4;  // Kestrix: its log-in prompts
    SetEntryText(e.name, "데모");
    SetEntryText(e.number, "127.0.0.1");
    e.port = port;
    SetEntryText(e.waitUserId, "회 원 ID :");
    SetEntryText(e.waitPassword, "비밀 번호:");
    SetEntryText(e.userId, "guest");
    SetEntryText(e.password, "pw");
    return e;
}

}  // namespace velo::test
