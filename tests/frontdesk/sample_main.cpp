// frontdesk_sample DIR: writes the sample data set of the front-desk tests
// into an empty folder, for running or photographing the program on it.
#include "sampledata.h"

#include "store/errors.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: frontdesk_sample DIR\n");
        return 2;
    }
    try {
        QDir().mkpath(QString::fromLocal8Bit(argv[1]));
        sample::write(QString::fromLocal8Bit(argv[1]));
    } catch (const store::Error &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
