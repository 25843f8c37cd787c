#pragma once

#include "desk.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace frontdesk {

namespace cards {
class AmountEdit;
}

// The recharge screen of a stored-value card ("会员卡充值"): amount paid,
// payment method, gift and remark; opened modally by the member screen's F3.
class Tfhycz : public QDialog {
    Q_OBJECT
public:
    explicit Tfhycz(MemberDesk& desk, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void reset();
    void showTyped(bool giftChanged);
    void confirm();
    void back();

    MemberDesk& desk_;
    QLabel* display_;
    cards::AmountEdit* amount_;
    QComboBox* method_;
    cards::AmountEdit* gift_;
    QLineEdit* remark_;
    QPushButton* ok_;
    QPushButton* back_;
};

}  // namespace frontdesk
