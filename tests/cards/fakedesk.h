// A member screen stand-in for the screen tests: a fresh data folder, the
// delivered operator's name, every right unless told otherwise, the card
// number "typed" by the test, and records of what the screens asked of the
// member screen and of every receipt they printed.
#pragma once

#include "cardops.h"
#include "desk.h"

#include "store/delivered.h"
#include "store/query.h"
#include "store/store.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class RecordingPrinter : public frontdesk::ReceiptPrinter {
public:
    bool print(const frontdesk::Receipt& receipt) override
    {
        printed.append(receipt);
        return true;
    }
    QList<frontdesk::Receipt> printed;
};

class FakeDesk : public frontdesk::MemberDesk {
public:
    FakeDesk()
    {
        const QString dir = tmp_.filePath(QStringLiteral("data"));
        QDir().mkpath(dir);
        store::makeStore(dir);
        store_ = std::make_unique<store::Store>(dir);
    }

    store::Store& store() override { return *store_; }
    QString operatorName() const override { return QStringLiteral("管理员"); }
    QString cashPoint() const override { return QStringLiteral("前台收银"); }
    bool holds(const QString& right) const override { return !withheld.contains(right); }
    QString cardNumber() const override { return card; }
    // The member screen's gate reads the row again before it opens a screen.
    QSqlRecord member() const override { return frontdesk::memberRow(*store_, card); }
    void showMember(const QSqlRecord& row) override { shown.append(row); }
    void reloadJournal() override { ++journalReloads; }
    void focusCardNumber() override { ++cardFocuses; }
    frontdesk::ReceiptHeader receiptHeader() const override
    {
        return {QStringLiteral("好运来会员店"), QStringLiteral("人民路88号"), QStringLiteral("0335-3021888"),
                QStringLiteral("谢谢惠顾，欢迎再次光临！")};
    }
    frontdesk::ReceiptPrinter& printer() override { return printerRecord; }

    // Helpers for the tests.
    frontdesk::OpContext context() { return {*store_, operatorName(), cashPoint(), {}}; }

    // Issues a card through the operation and sets columns of its member row
    // as a test needs them ("金额", "100"; a null QVariant empties the column).
    void addCard(const QString& number, bool countCard, const QList<QPair<QString, QVariant>>& columns = {})
    {
        frontdesk::NewCard c;
        c.card = number;
        c.cardType = countCard ? QStringLiteral("普通记次卡") : QStringLiteral("普通储值卡");
        c.countCard = countCard;
        c.expiry = QStringLiteral("2099-12-31");
        c.name = QStringLiteral("测试会员");
        c.sex = QStringLiteral("男");
        c.ownNumber = QStringLiteral("Z") + number;
        c.method = QStringLiteral("现金");
        c.verification = QStringLiteral("无需验证");
        frontdesk::issueCard(context(), c);
        for (const auto& [column, value] : columns)
            store::Query(*store_, QStringLiteral("update 会员表 set %1=:v where 卡号=:kh").arg(column))
                .bind(QStringLiteral(":v"), value)
                .bind(QStringLiteral(":kh"), number)
                .exec();
        card = number;
    }

    QString memberText(const char* column) const
    {
        return store::fieldText(member(), QString::fromUtf8(column));
    }
    int journalRows() const
    {
        return store::Query(*store_, QStringLiteral("select count(*) as n from 储值流水表"))
            .exec()
            .text(QStringLiteral("n"))
            .toInt();
    }
    // The newest journal row.
    QSqlRecord lastJournal() const
    {
        store::Query q(*store_, QStringLiteral("select * from 储值流水表 order by 流水号 desc limit 1"));
        q.exec();
        return q.empty() ? QSqlRecord() : q.row();
    }

    QString card;
    QSet<QString> withheld;
    QList<QSqlRecord> shown;
    int journalReloads = 0;
    int cardFocuses = 0;
    RecordingPrinter printerRecord;

private:
    QTemporaryDir tmp_;
    std::unique_ptr<store::Store> store_;
};

inline QString col(const QSqlRecord& r, const char* name)
{
    return store::fieldText(r, QString::fromUtf8(name));
}

// Shows a screen the way the member screen does and waits until it has the
// keyboard.
inline bool openScreen(QDialog& screen)
{
    screen.show();
    QApplication::setActiveWindow(&screen);
    return QTest::qWaitForWindowActive(&screen);
}

// Finds a field of a screen by its caption.
template <typename W = QWidget>
W* field(QWidget& screen, const QString& caption)
{
    auto* w = screen.findChild<W*>(caption);
    if (!w)
        qFatal("no field %s", qPrintable(caption));
    return w;
}

// Types into a field, replacing its text, the way the cashier would.
inline void typeInto(QWidget* w, const QString& text)
{
    w->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w, Qt::Key_Delete);
    QTest::keyClicks(w, text);
}
