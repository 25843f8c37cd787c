// The ID-number entry shared by every screen that takes a member's ID number
// (card issue, card record modification, member record view, customer
// records).
//
//     auto* id = new records::IdNumberEdit;            // the field with its key rules
//     auto* entry = new records::IdNumberEntry(store, id, address, month, day, this);
//     keys->onEnter(id, [entry] { entry->enter(); });  // Enter runs the entry
//
// Enter with an empty field moves on to the birthday month. Enter with a
// number that is neither 15 nor 18 characters long shows
// "身份证号码必须为15位或者18位，请确认！" and keeps the focus. Otherwise the
// place name of its first six characters (the area code), when the prefix
// table knows it, replaces the address, the birthday month and day are taken
// from the number, and the focus moves to the birthday month.
#pragma once

#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class QComboBox;

namespace store {
class Store;
}

namespace records {

// The message for a number of the wrong length.
QString textIdLength();

// The parts of an ID number of 15 or 18 characters: the area code (the first
// six characters) and the birthday month and day (characters 9-10 and 11-12
// of a 15-character number, 11-12 and 13-14 of an 18-character one). Nothing
// for any other length. The text is trimmed first; its characters are not
// checked further.
struct IdNumberParts {
    QString areaCode;
    QString month;
    QString day;
};
std::optional<IdNumberParts> splitIdNumber(const QString& text);

// The place name of an area code in 身份证字头表 (trimmed), or nothing when
// the table does not know the code.
std::optional<QString> areaName(store::Store& store, const QString& areaCode);

// The ID-number field. Typed characters: a digit only while the trimmed text
// is shorter than 18 characters, X and x always; every other character is
// ignored. Backspace, Enter and the editing keys work as usual. Pasted text
// keeps only digits and X/x, and no more than 18 digits.
class IdNumberEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit IdNumberEdit(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// What Enter in the ID-number field does, for one screen's fields.
class IdNumberEntry : public QObject {
    Q_OBJECT
public:
    // The entry reads the prefix table through `store`; `address` is the
    // member's address field, `month` and `day` the birthday drop-downs.
    // `screen` owns the entry and is the parent of its message.
    IdNumberEntry(store::Store& store, QLineEdit* idNumber, QLineEdit* address, QComboBox* month,
                  QComboBox* day, QWidget* screen);

    // Enter in the ID-number field.
    void enter();

private:
    store::Store& store_;
    QPointer<QLineEdit> idNumber_;
    QPointer<QLineEdit> address_;
    QPointer<QComboBox> month_;
    QPointer<QComboBox> day_;
    QWidget* screen_;
};

}  // namespace records
