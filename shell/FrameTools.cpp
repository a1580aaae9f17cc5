// The frame's commands that start other programs or open documents and
// folders, and its small dialogs: the text editor ("새 텍스트 문서 작성",
// "문서 열기"), a second velo, the game, the character map, the capture and
// download folders, the help document, "Kestrix 안내", the sound settings
// and the about box; and Ctrl+Tab.
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProcess>
#include <QShortcut>
#include <QStandardPaths>
#include <QUrl>

#include "base/CommandIds.h"
#include "base/SettingsLayout.h"
#include "base/SettingsStore.h"
#include "shell/AboutBox.h"
#include "shell/AppRuntime.h"
#include "shell/CMainFrame.h"
#include "shell/DesktopApps.h"
#include "shell/SoundDialog.h"
#include "terminal/ui/CAnsiTerm.h"

namespace velo {

namespace {

constexpr char kHelpFile[] = "velo-help.html";
constexpr char kKestrixGuide[] = "Kestrix안내.rtf";

bool StartDetached(const std::vector<std::string>& argv)
{
    if (argv.empty())
        return false;
    QStringList args;
    for (size_t i = 1; i < argv.size(); ++i)
        args << QString::fromStdString(argv[i]);
    return QProcess::startDetached(QString::fromStdString(argv[0]), args);
}

// A program shipped with velo: beside the running executable, then on the
// PATH.
QString FindProgram(const QString& name)
{
    QFileInfo beside(QCoreApplication::applicationDirPath() + u'/' + name);
    if (beside.isFile() && beside.isExecutable())
        return beside.absoluteFilePath();
    return QStandardPaths::findExecutable(name);
}

}  // namespace

void CMainFrame::createToolCommands()
{
    // File
    Handle(ID_FILE_NEW, [this] { StartTextEditor(QString()); });
    Handle(ID_FILE_OPEN, [this] {
        QString dir = CaptureDir();
        QString f = QFileDialog::getOpenFileName(this, QStringLiteral("문서 열기"), dir,
                                                 QStringLiteral("txt 파일 (*.txt);;cap 파일 (*.cap)"));
        if (!f.isEmpty())
            StartTextEditor(f);
    });
    // A second instance; when it cannot be started nothing is said.
    Handle(ID_NEW_WINDOW, [] { QProcess::startDetached(QCoreApplication::applicationFilePath(), {}); });

    // Tools
    Handle(ID_CHARMAP, [this] { CharacterMap(); });
    Handle(ID_CAR_GAME, [this] {
        QString car = FindProgram(QStringLiteral("car"));
        if (car.isEmpty() || !QProcess::startDetached(car, {}))
            QMessageBox::warning(this, QStringLiteral("Vellow"),
                                 QStringLiteral("메모리가 부족하거나 car.exe가 없습니다."));
    });
    Handle(ID_OPEN_CAPTURE_DIR, [this] {
        QString dir = CaptureDir();
        if (QFileInfo(dir).isDir()) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(dir));
            return;
        }
        QMessageBox::warning(this, QStringLiteral("Vellow"),
                             QStringLiteral("설정된 디렉토리가 더이상 존재하지 않습니다.\n다시 설정 하십시오."));
        OnCommand(ID_CAPTURE_DIR);
    });

    // Settings
    Handle(ID_SOUNDS, [this] {
        SoundSettingsDialog d(rt_.Settings(), rt_.Sounds(), this);
        d.exec();
    });

    // Help. The help document stays shut while F1 is the host's key.
    Handle(ID_APP_ABOUT, [this] { ShowAbout(); });
    Handle(ID_HELP, [this] {
        QString doc = HelpDocument();
        if (!doc.isEmpty())
            QDesktopServices::openUrl(QUrl::fromLocalFile(doc));
    }, [this] { return !KeyMapped(1); });
    Handle(ID_KESTRIX_GUIDE, [this] {
        QString doc = InstallDir() + u'/' + QString::fromUtf8(kKestrixGuide);
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(doc)))
            qWarning("velo: cannot open %s", qPrintable(doc));
    });

    // PgUp and PgDn reach the terminal as its own key presses (the view
    // scrolls or the host gets the key, as the key map says).
    for (auto [id, key] : {std::pair{ID_PGUP, Qt::Key_PageUp}, std::pair{ID_PGDN, Qt::Key_PageDown}})
        Handle(id, [this, key] {
            if (!term_)
                return;
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QCoreApplication::sendEvent(term_, &press);
        });

    // Ctrl+Tab: from the terminal to the chat pane when it is shown, else
    // (and from anywhere else) to the terminal.
    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    next->setContext(Qt::WindowShortcut);
    connect(next, &QShortcut::activated, this, [this] {
        if (chatPane_ && chatPane_->isVisible() && term_->hasFocus())
            chatPane_->setFocus();
        else
            term_->setFocus();
    });
}

QString CMainFrame::CaptureDir() const
{
    return QString::fromStdString(rt_.CaptureFile().Dir());
}

QString CMainFrame::HelpDocument() const
{
    const QString app = QCoreApplication::applicationDirPath();
    for (const QString& p : {app + u'/' + QLatin1String(kHelpFile),
                             app + QStringLiteral("/../share/vellow/") + QLatin1String(kHelpFile)})
        if (QFileInfo(p).isReadable())
            return QFileInfo(p).canonicalFilePath();
    return {};
}

void CMainFrame::StartTextEditor(const QString& file)
{
    // The desktop's editor; failing that, whatever opens the file.
    if (auto argv = TextEditorCommand(file.toStdString(), XdgDirs::FromEnvironment()); argv && StartDetached(*argv))
        return;
    if (!file.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

void CMainFrame::CharacterMap()
{
    // Whichever of the desktop's character maps is installed.
    for (const char* app : {"gucharmap", "kcharselect"}) {
        QString p = QStandardPaths::findExecutable(QString::fromLatin1(app));
        if (!p.isEmpty() && QProcess::startDetached(p, {}))
            return;
    }
    QMessageBox::warning(this, QStringLiteral("Vellow"),
                         QStringLiteral("charmap.exe 가 윈도우 디렉토리에 있는지 확인하십시오."));
}

void CMainFrame::ShowAbout()
{
    AboutBox box(InstallDir(), this);
    box.exec();
}

}  // namespace velo
