// The cashier's program: splash, backdrop, sign-in, member screen.
//
//     frontdesk [--data DIR]
//
// For demonstrations and screenshots two further options sign in with a
// user name and password and look a card up, as if typed:
//     --sign-in USER:PASSWORD   --card NUMBER   --splash-ms MS
#include "frontdeskapp.h"
#include "memberscreen.h"
#include "splash.h"

#include "kit/messages.h"
#include "signin/check.h"
#include "store/datafolder.h"
#include "store/errors.h"
#include "store/store.h"

#include <QLineEdit>
#include <QTimer>

#include <memory>

namespace {

QString option(const QStringList &args, const QString &name)
{
    const int i = int(args.indexOf(name));
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : QString();
}

} // namespace

int main(int argc, char **argv)
{
    kit::Application app(argc, argv);
    app.setApplicationName(QStringLiteral("frontdesk"));
    const QStringList args = app.arguments();
    bool ok = false;
    int splashMs = option(args, QStringLiteral("--splash-ms")).toInt(&ok);
    if (!ok)
        splashMs = 2000;

    {
        frontdesk::Splash splash;
        splash.showFor(splashMs);
    }
    QGuiApplication::setApplicationDisplayName(QStringLiteral("前台管理"));

    const QString folder = store::dataFolder(args);
    if (!store::Store::holdsData(folder)) {
        kit::info(nullptr, QStringLiteral("数据文件夹“%1”中没有数据文件，程序无法启动。\n"
                                          "请用 --data 指定数据文件夹，或先用 makestore 写入数据。")
                               .arg(folder));
        return 1;
    }
    std::unique_ptr<store::Store> db;
    if (!kit::guard(nullptr, [&] { db = std::make_unique<store::Store>(folder); }))
        return 1;

    frontdesk::FrontDesk desk(*db);
    QObject::connect(&desk, &frontdesk::FrontDesk::quitRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    desk.start();
    const QString signIn = option(args, QStringLiteral("--sign-in"));
    if (!signIn.isEmpty()) {
        const qsizetype colon = signIn.indexOf(QLatin1Char(':'));
        signin::SignInResult result;
        kit::guard(nullptr, [&] { result = signin::checkSignIn(*db, signIn.left(colon), signIn.mid(colon + 1)); });
        if (result.op)
            desk.signedIn(*result.op);
    }
    const QString card = option(args, QStringLiteral("--card"));
    if (!card.isEmpty() && desk.hasOperator()) {
        desk.members().cardField()->setText(card);
        QTimer::singleShot(0, &desk.members(), [&desk] { desk.members().lookUp(); });
    }
    return app.exec();
}
