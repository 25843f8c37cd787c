#pragma once

#include "desk.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace frontdesk {

namespace cards {
class AmountEdit;
}

// The mis-charge correction of a stored-value card ("误收操作"): gives back
// an amount charged too much on an earlier bill; opened modally by the member
// screen's F5.
class Tfhyws : public QDialog {
    Q_OBJECT
public:
    explicit Tfhyws(MemberDesk& desk, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void reset();
    void leaveAmount();
    void confirm();
    void back();

    MemberDesk& desk_;
    QLabel* display_;
    cards::AmountEdit* amount_;
    QLineEdit* corrected_;
    QLineEdit* bill_;
    QPushButton* ok_;
    QPushButton* back_;
};

}  // namespace frontdesk
