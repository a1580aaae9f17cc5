// Kept apart: the X11 headers define macros (None, Status, Bool) that clash
// with Qt's own names.
#include "shell/LockKeys.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <X11/XKBlib.h>

namespace velo {

unsigned LockIndicators()
{
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display())
        return 0;
    unsigned state = 0;
    if (XkbGetIndicatorState(x11->display(), XkbUseCoreKbd, &state) != 0)
        return 0;
    return state;
}

}  // namespace velo
