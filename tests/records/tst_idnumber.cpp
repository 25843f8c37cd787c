// The ID-number entry: which keys the field takes, the length message, the
// place name of the area code and the birthday taken from the number.
#include "records/idnumber.h"

#include "kit/keys.h"
#include "kit/messages.h"
#include "store/delivered.h"
#include "store/store.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

namespace {

// The fields a screen gives the entry, in a window of their own.
struct Host : QWidget {
    explicit Host(store::Store& s)
    {
        auto* layout = new QVBoxLayout(this);
        for (QWidget* w : std::initializer_list<QWidget*>{id, address, month, day})
            layout->addWidget(w);
        for (QComboBox* box : {month, day})
            box->setEditable(true);
        for (int i = 1; i <= 12; ++i)
            month->addItem(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
        for (int i = 1; i <= 31; ++i)
            day->addItem(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
        month->setEditText(QString());
        day->setEditText(QString());
        auto* entry = new records::IdNumberEntry(s, id, address, month, day, this);
        auto* keys = new kit::KeyRouter(this);
        keys->setEnterOrder({id, month, day, address});
        keys->onEnter(id, [entry] { entry->enter(); });
    }
    records::IdNumberEdit* id = new records::IdNumberEdit;
    QLineEdit* address = new QLineEdit;
    QComboBox* month = new QComboBox;
    QComboBox* day = new QComboBox;
};

}  // namespace

class TestIdNumber : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;
    std::unique_ptr<store::Store> db;

private slots:
    void initTestCase()
    {
        store::makeStore(tmp.path());
        db = std::make_unique<store::Store>(tmp.path());
    }
    void cleanupTestCase() { db.reset(); }

    void keys_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letters, signs and spaces are ignored") << "12a-3 4.b5" << "12345";
        QTest::newRow("X and x pass") << "1x2X" << "1x2X";
        QTest::newRow("no 19th digit") << "1234567890123456789" << "123456789012345678";
        QTest::newRow("X after 18 digits still passes") << "123456789012345678X" << "123456789012345678X";
    }
    void keys()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        Host host(*db);
        host.show();
        QVERIFY(QTest::qWaitForWindowActive(&host));
        QTest::keyClicks(host.id, typed);
        QCOMPARE(host.id->text(), shown);
        QTest::keyClick(host.id, Qt::Key_Backspace);
        QCOMPARE(host.id->text(), shown.chopped(1));
    }

    void pastedTextKeepsOnlyWhatTypingWould()
    {
        Host host(*db);
        host.id->insert(QStringLiteral(" 1101-0119800315 123x 99"));
        QCOMPARE(host.id->text(), QStringLiteral("11010119800315123x9"));
    }

    void enter_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("message");  // empty: none
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("day");
        QTest::addColumn<bool>("focusInMonth");

        QTest::newRow("18 characters ending in X")
            << "11010119800315123X" << "" << "北京市东城区" << "03" << "15" << true;
        QTest::newRow("15 characters")
            << "130303800315123" << "" << "河北省秦皇岛市山海关区" << "03" << "15" << true;
        QTest::newRow("16 characters")
            << "1101011980031512" << "身份证号码必须为15位或者18位，请确认！" << "人民路1号" << "" << "" << false;
        QTest::newRow("unknown area code")
            << "99999919801231123x" << "" << "人民路1号" << "12" << "31" << true;
        QTest::newRow("empty field only moves on") << "" << "" << "人民路1号" << "" << "" << true;
        QTest::newRow("month and day not tested against the lists")
            << "110101198013451234" << "" << "北京市东城区" << "13" << "45" << true;
    }
    void enter()
    {
        QFETCH(QString, number);
        QFETCH(QString, message);
        QFETCH(QString, address);
        QFETCH(QString, month);
        QFETCH(QString, day);
        QFETCH(bool, focusInMonth);

        kit::ScriptedMessages script;
        Host host(*db);
        host.show();
        QVERIFY(QTest::qWaitForWindowActive(&host));
        host.address->setText(QStringLiteral("人民路1号"));
        host.id->setFocus();
        QTest::keyClicks(host.id, number);
        QTest::keyClick(host.id, Qt::Key_Return);

        QCOMPARE(script.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(host.address->text(), address);
        QCOMPARE(host.month->currentText(), month);
        QCOMPARE(host.day->currentText(), day);
        QWidget* focus = QApplication::focusWidget();
        if (focusInMonth)
            QVERIFY(focus == host.month || host.month->isAncestorOf(focus));
        else
            QCOMPARE(focus, host.id);
    }
};

QTEST_MAIN(TestIdNumber)
#include "tst_idnumber.moc"
