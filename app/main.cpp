// Orsenta's entry point. The window is not built yet; until it is, the program says so and
// exercises the catalog rules on the command line.
#include "model/displaytext.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orsenta"));
    QTextStream out(stdout);
    out << "Orsenta " << QStringLiteral(ORSENTA_VERSION)
        << ": the catalog model is built; the window is not yet.\n";
    return 0;
}
