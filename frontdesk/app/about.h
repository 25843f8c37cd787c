#pragma once
// The about screen ("关于本软件"), opened by 关于系统(F7).
#include <QDialog>

namespace frontdesk {

class TFabout : public QDialog {
    Q_OBJECT
public:
    explicit TFabout(QWidget *parent = nullptr);
};

} // namespace frontdesk
