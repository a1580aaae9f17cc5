#include "E2eKit.h"

#include <QFile>

namespace velo::test {

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
