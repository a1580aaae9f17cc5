// The one QApplication of a test program (offscreen, made on first use).
#pragma once

#include <QApplication>

namespace velo::test {

inline QApplication* App()
{
    static int argc = 1;
    static char arg0[] = "test";
    static char* argv[] = {arg0, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return app;
}

}  // namespace velo::test
