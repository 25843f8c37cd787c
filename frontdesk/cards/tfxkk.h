#pragma once

#include "desk.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace records {
class IdNumberEdit;
}

namespace frontdesk {

namespace cards {
class AmountEdit;
}

// The card issue screen ("新开卡"): turns the card number in the member
// screen's card-number field into a stored-value or count card of the chosen
// card type. The member screen shows it without waiting (show()).
class Tfxkk : public QDialog {
    Q_OBJECT
public:
    explicit Tfxkk(MemberDesk& desk, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void reset();
    void chooseCardType();
    void showCardAmount();
    void confirm();
    void back();

    MemberDesk& desk_;
    bool countCard_ = false;

    QComboBox* type_;
    QLineEdit* expiry_;
    QLineEdit* name_;
    QComboBox* sex_;
    QLineEdit* own_;
    QComboBox* method_;
    cards::AmountEdit* amount_;
    cards::AmountEdit* gift_;
    QLineEdit* cardAmount_;
    cards::AmountEdit* uses_;
    QLineEdit* mobile_;
    records::IdNumberEdit* idNumber_;
    QComboBox* month_;
    QComboBox* day_;
    QComboBox* verification_;
    QCheckBox* sms_;
    QLineEdit* company_;
    QLineEdit* phone_;
    QLineEdit* address_;
    QLineEdit* remark_;
    QPushButton* ok_;
    QPushButton* back_;
};

}  // namespace frontdesk
