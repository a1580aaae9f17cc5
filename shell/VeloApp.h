// The application object: start-up in its fixed order, the message loop and
// the exit.
#pragma once

#include <QString>

class QCoreApplication;
class QTranslator;

namespace velo {

class SettingsStore;

// Installs Qt's own Korean translations (the standard buttons, the file and
// colour dialogs); the translator belongs to app. Null when they are not
// installed.
QTranslator* InstallQtKorean(QCoreApplication& app);

// The installation directory when none is stored: ~/.local/share/Brenwick/Vellow.
QString DefaultInstallDir();

// The per-user installation directory: the stored "인스톨디렉토리" or the
// default, without a trailing separator, created with cap/, Down/, Up/ and
// Images/ when missing. Empty when it cannot be made.
QString PrepareInstallDir(SettingsStore& settings);

// Where the shipped default settings are: the installation directory's
// velo.reg, else the one beside the program, else "".
QString FindDefaultsFile(const QString& installDir);

// The whole program: returns the exit code.
int VeloMain(int argc, char** argv);

// False when no TCP socket can be made (telnet then stays unavailable).
bool NetworkAvailable();
bool TelnetDisabled();

}  // namespace velo
