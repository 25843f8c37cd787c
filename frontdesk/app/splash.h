#pragma once
// The splash window shown while the program connects to its database.
#include <QDialog>

namespace frontdesk {

class Splash : public QDialog {
    Q_OBJECT
public:
    explicit Splash(QWidget *parent = nullptr);
    // Shows the splash, paints it at once and keeps it up for `ms`
    // milliseconds while events are processed, then hides it.
    void showFor(int ms);
};

} // namespace frontdesk
