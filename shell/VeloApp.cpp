#include "shell/VeloApp.h"

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QMessageBox>
#include <QStandardPaths>
#include <QStringList>
#include <QTranslator>
#include <memory>

#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"
#include "shell/EventSounds.h"
#include "shell/QtSettingsStore.h"
#include "base/SettingsLayout.h"
#include "shell/SplashWindow.h"
#include "shell/Startup.h"
#include "shell/TipsDialog.h"

namespace velo {

namespace {
bool g_telnetDisabled = false;

// SIGTERM, SIGINT and SIGHUP close the frame as the user would, so the
// settings and the window placement are written.
int g_signalPipe[2] = {-1, -1};
void OnSignal(int)
{
    char c = 1;
    ssize_t n = ::write(g_signalPipe[1], &c, 1);
    (void)n;
}

void WatchTerminationSignals(CMainFrame* frame)
{
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* n = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, frame);
    QObject::connect(n, &QSocketNotifier::activated, frame, [frame] {
        char buf[16];
        while (::read(g_signalPipe[0], buf, sizeof buf) > 0) {
        }
        frame->ForceClose();
    });
    struct sigaction sa {};
    sa.sa_handler = &OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &sa, nullptr);
}
}  // namespace

bool TelnetDisabled() { return g_telnetDisabled; }

bool NetworkAvailable()
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

QString DefaultInstallDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Brenwick/Vellow";
}

QString PrepareInstallDir(SettingsStore& settings)
{
    QString fallback = DefaultInstallDir();
    QString dir = QString::fromStdString(ReadInstallDir(settings, fallback.toStdString()));
    // Only an absolute folder: a relative one would be made wherever the
    // program happened to be started.
    if (!dir.startsWith(u'/'))
        dir = fallback;
    QDir d;
    if (!d.mkpath(dir))
        return QString();
    for (const char* sub : {"cap", "Down", "Up", "Images"})
        d.mkpath(dir + "/" + sub);
    return dir;
}

QString FindDefaultsFile(const QString& installDir)
{
    const QString candidates[] = {
        installDir.isEmpty() ? QString() : installDir + "/velo.reg",
        QCoreApplication::applicationDirPath() + "/velo.reg",
        QCoreApplication::applicationDirPath() + "/../share/vellow/velo.reg",
    };
    for (const QString& c : candidates)
        if (!c.isEmpty() && QFileInfo(c).isReadable())
            return c;
    return QString();
}

QTranslator* InstallQtKorean(QCoreApplication& app)
{
    // Qt's own texts (standard buttons, file and colour dialogs) in Korean,
    // whatever the desktop's language: the program speaks Korean throughout.
    auto* qt = new QTranslator(&app);
    if (!qt->load(QLocale(QLocale::Korean), QStringLiteral("qtbase"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return nullptr;
    }
    QCoreApplication::installTranslator(qt);
    return qt;
}

int VeloMain(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Brenwick"));
    QCoreApplication::setApplicationName(QStringLiteral("Vellow"));
    InstallQtKorean(app);

    // 1. The settings root: ~/.config/Brenwick/Vellow.conf.
    auto store = std::make_unique<QtSettingsStore>();
    // The program's process-wide objects, all wired in the runtime.
    auto runtime = std::make_unique<AppRuntime>(*store);
    std::unique_ptr<EventSounds> sounds = CreateCanberraSounds(*store);
    runtime->SetSounds(sounds.get());

    // 2. The installation directory. When it cannot be made there is none:
    // never the folder the program was started from (a download would land
    // there).
    QString installDir = PrepareInstallDir(*store);
    runtime->SetInstallDir(installDir);

    // 3. The network.
    if (!NetworkAvailable()) {
        g_telnetDisabled = true;
        QMessageBox::critical(nullptr, QStringLiteral("Vellow"),
                              QStringLiteral("Winsock을 초기화 할 수 없습니다.\nTelnet 접속은 사용할 수 없습니다."));
    }

    // 4. The first run of this settings generation imports the shipped defaults.
    RunFirstRunUpgrade(*store, [&] {
        QString defaults = FindDefaultsFile(installDir);
        if (!defaults.isEmpty())
            store->ImportMissing(defaults);
    });

    // 5. The key map.
    runtime->Keys().Load(*store);

    // 6. 7. The start sound and the start-up picture.
    runtime->Sounds().Play("시작", false);
    SplashWindow::ShowOnce();

    // 8. The frame, with the command line's telnet destination.
    QStringList args = QCoreApplication::arguments().mid(1);
    auto frame = std::make_unique<CMainFrame>(*runtime);
    frame->SetCommandLine(args.join(u' '));
    frame->show();
    WatchTerminationSignals(frame.get());

    // 9. The tip of the day.
    if (settings::ReadIntDefault(*store, settings::kTip, settings::kStartUp) == 0) {
        auto* tips = new TipsDialog(*store, TipsDialog::FindTipsFile(installDir), frame.get());
        tips->setAttribute(Qt::WA_DeleteOnClose);
        tips->open();
    }

    // 10. The switches.
    AppFlagSet& flags = runtime->Flags().AppFlags;
    flags.ClickMouse = settings::ReadIntDefault(*store, settings::kInit, settings::kClickMouse) != 0;
    flags.Beep = settings::ReadIntDefault(*store, settings::kInit, settings::kBeep) != 0;

    int rc = app.exec();
    frame.reset();
    runtime.reset();
    sounds.reset();
    store->Flush();
    return rc;
}

}  // namespace velo
