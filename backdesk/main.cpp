// The manager's program: sign-in, then the main screen with its menu.
//
//     backdesk [--data DIR]
//
// For tests and screenshots, --test-sign-in-admin signs in as the delivered
// operator (admin/admin), as if typed.
#include "backdeskapp.h"

#include "kit/messages.h"
#include "store/delivered.h"
#include "store/store.h"

#include <QGuiApplication>

int main(int argc, char **argv)
{
    kit::Application app(argc, argv);
    app.setApplicationName(QStringLiteral("backdesk"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("后台系统"));
    const QStringList args = app.arguments();

    const std::unique_ptr<store::Store> db = backdesk::openData(args);
    if (!db)
        return 1;

    backdesk::BackDesk desk(*db);
    QObject::connect(&desk, &backdesk::BackDesk::quitRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    desk.start();
    if (args.contains(QStringLiteral("--test-sign-in-admin")))
        desk.signInAs(QString::fromUtf8(store::deliveredUser), QString::fromUtf8(store::deliveredPassword));
    return app.exec();
}
