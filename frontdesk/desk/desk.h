#pragma once
// What the member screen offers the card-operation screens: the store, who is
// working, the card in the card-number field, the member panel, the journal
// list and the receipt printer. The member screen implements it; tests use a
// small stand-in.
#include "receipt.h"

#include <QSqlRecord>
#include <QString>

namespace store {
class Store;
}

namespace frontdesk {

class MemberDesk {
public:
    virtual ~MemberDesk() = default;

    virtual store::Store &store() = 0;
    // The current operator's name (收银员, 开卡人, log user) and workstation
    // ("前台收银": 收银点名称, log computer).
    virtual QString operatorName() const = 0;
    virtual QString cashPoint() const = 0;
    // Whether the current operator holds a right (a column of 用户表), as
    // read at sign-in.
    virtual bool holds(const QString &right) const = 0;

    // The text of the card-number field.
    virtual QString cardNumber() const = 0;
    // The member row the panel shows (the last lookup, or the row a gate read
    // again just before opening an operation screen).
    virtual QSqlRecord member() const = 0;
    // Fills the member panel from a member row (the row as an operation wrote it).
    virtual void showMember(const QSqlRecord &row) = 0;
    // Reads the journal list of the card-number field again.
    virtual void reloadJournal() = 0;
    // Puts the focus back into the card-number field.
    virtual void focusCardNumber() = 0;

    // The shop's receipt header, read when the member screen was created.
    virtual ReceiptHeader receiptHeader() const = 0;
    // Prints a filled receipt on the default printer; tells the user when
    // there is none.
    virtual ReceiptPrinter &printer() = 0;
};

} // namespace frontdesk
