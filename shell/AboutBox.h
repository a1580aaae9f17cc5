// The about box: the program and its version, the machine's memory and this
// process's share of it, the free space where the program keeps its files,
// and the user's name.
#pragma once

#include <QDialog>

namespace velo {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    AboutBox(const QString& installDir, QWidget* parent = nullptr);
};

}  // namespace velo
