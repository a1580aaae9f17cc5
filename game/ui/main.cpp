// car: "Bumpo Zingle", the game to play while a transfer runs.
#include <QApplication>

#include "game/Profile.h"
#include "game/ui/CMainFrame.h"
#include "game/ui/PenaltySound.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("car"));
    QApplication::setOrganizationName(QStringLiteral("Brenwick"));

    car::SteadyClock clock;
    car::IniFile profile(car::DefaultProfilePath());
    car::PenaltySound sound(car::PenaltySound::DefaultPath());
    car::CMainFrame frame(clock, profile, &sound);
    frame.show();
    return app.exec();
}
