#include "transfer/ui/DesktopOpener.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QUrl>

namespace velo {

void DesktopFileOpener::OpenFile(const std::string& path)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    const QString p = QFile::decodeName(QByteArray::fromStdString(path));
    QMetaObject::invokeMethod(app, [p] { QDesktopServices::openUrl(QUrl::fromLocalFile(p)); }, Qt::QueuedConnection);
}

}  // namespace velo
