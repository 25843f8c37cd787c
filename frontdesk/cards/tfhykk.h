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

// The deduction screen of a stored-value card ("会员卡扣款"): takes a
// consumption off the balance; opened modally by the member screen's F2.
class Tfhykk : public QDialog {
    Q_OBJECT
public:
    explicit Tfhykk(MemberDesk& desk, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void reset();
    void leaveAmount();
    void refuseAmount();
    void confirm();
    void back();

    MemberDesk& desk_;
    QLabel* display_;
    cards::AmountEdit* amount_;
    QLineEdit* after_;
    QLineEdit* remark_;
    QPushButton* ok_;
    QPushButton* back_;
};

}  // namespace frontdesk
