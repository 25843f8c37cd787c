// The three count-card screens, opened modally by the member screen's F2, F3
// and F5 when the card is a count card.
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

// Deduction of uses from a count card ("次卡扣次数").
class Tfckkk : public QDialog {
    Q_OBJECT
public:
    explicit Tfckkk(MemberDesk& desk, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void reset();
    void leaveUses();
    void confirm();
    void back();

    MemberDesk& desk_;
    QLabel* display_;
    cards::AmountEdit* uses_;
    QLineEdit* after_;
    QLineEdit* remark_;
    QPushButton* ok_;
    QPushButton* back_;
};

// Recharge of uses onto a count card ("次卡充值").
class Tfckcz : public QDialog {
    Q_OBJECT
public:
    explicit Tfckcz(MemberDesk& desk, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void reset();
    void confirm();
    void back();

    MemberDesk& desk_;
    QLabel* display_;
    cards::AmountEdit* uses_;
    QComboBox* method_;
    cards::AmountEdit* amount_;
    QLineEdit* remark_;
    QPushButton* ok_;
    QPushButton* back_;
};

// Correction of uses deducted in error from a count card ("误收操作").
class Tfckws : public QDialog {
    Q_OBJECT
public:
    explicit Tfckws(MemberDesk& desk, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void reset();
    void leaveUses();
    void confirm();
    void back();

    MemberDesk& desk_;
    cards::AmountEdit* uses_;
    QLineEdit* corrected_;
    QLineEdit* bill_;
    QPushButton* ok_;
    QPushButton* back_;
};

}  // namespace frontdesk
