// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Widget tests: a test main with a QApplication in the fixed locale, zone and texts, and the
// main window over an in-memory library with a desktop and a clock the test drives.

#include "i18n/translations.h"
#include "support/awaittask.h"
#include "support/fakeclock.h"
#include "support/faketoolkit.h"
#include "support/itembuilder.h"
#include "support/memorylibrary.h"
#include "ui/mainwindow.h"
#include "viewmodel/videolistviewmodel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLocale>
#include <QStyleFactory>
#include <QTest>

#define ORSENTA_WIDGET_TEST_MAIN(TestClass)                                                        \
    int main(int argc, char *argv[]) {                                                             \
        qputenv("TZ", "America/New_York");                                                         \
        QApplication app(argc, argv);                                                              \
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));                   \
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));                     \
        orsenta::installTranslations();                                                            \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

namespace orsenta::test {

// A video the scan reads on its fast path, made on the given day at noon.
inline MemoryAsset videoOn(const QString &id, std::int64_t bytes, int year, int month = 6,
                           int day = 15) {
    return fastAsset(id, id + QStringLiteral(".mov"), bytes, localTime(year, month, day, 12));
}

// Declared before a window and gone after it, holding the window's service until the work
// still under way (a thumbnail, the end of a scan) has let go of it: the service then ends here,
// on the main thread, which can wait for its actor's thread, and not on that thread, which
// cannot wait for itself.
struct ServiceDrain {
    std::shared_ptr<PhotoLibraryService> service;
    ~ServiceDrain() {
        if (!QTest::qWaitFor([this] { return service.use_count() <= 1; }))
            qWarning("the library service was still at work when the test ended");
    }
};

struct WindowFixture {
    std::shared_ptr<platform::MemoryPlatform> platform =
        std::make_shared<platform::MemoryPlatform>();
    std::shared_ptr<FakeToolkit> toolkit = std::make_shared<FakeToolkit>();
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    ServiceDrain drain;
    MainWindow window{platform, toolkit, clock};

    ~WindowFixture() {
        // Nothing the library still holds may answer a view model that is gone.
        platform->setDelivery(platform::MemoryPlatform::Delivery::immediate);
        platform->releaseHeld();
    }

    VideoListViewModel &vm() const { return *window.model(); }

    void add(std::initializer_list<MemoryAsset> assets) {
        for (const MemoryAsset &asset : assets)
            platform->addAsset(asset);
    }
    // Shows the window, which starts the first scan, and waits for the scan, the check for
    // identical copies and the grouping of similar videos that follow it to end and the table to
    // take its rows.
    [[nodiscard]] bool open() {
        window.show();
        return settled();
    }
    [[nodiscard]] bool settled() {
        if (window.model())
            drain.service = vm().service();
        const bool ended = QTest::qWaitFor([this] {
            platform->releaseHeld();
            return window.model() && !vm().isScanning() && !vm().isPerformingItemAction()
                   && !vm().copyCheck() && !vm().fingerprinting() && !vm().isGroupingSimilar();
        });
        QCoreApplication::processEvents();
        return ended;
    }
    QSet<QString> ids(std::initializer_list<const char *> names) const {
        QSet<QString> set;
        for (const char *name : names)
            set.insert(QString::fromLatin1(name));
        return set;
    }
    int tableRows() const {
        QCoreApplication::processEvents();
        return window.table()->model()->rowCount();
    }
};

} // namespace orsenta::test
