#pragma once
// A view model over an in-memory library, with a desktop and a clock the test drives.

#include "scanfaultplatform.h"
#include "support/awaittask.h"
#include "support/fakeclock.h"
#include "support/faketoolkit.h"
#include "support/itembuilder.h"
#include "support/memorylibrary.h"
#include "viewmodel/videolistviewmodel.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace orsenta::test {

// A video the scan reads on its fast path: name and size from the library, dated mid-June.
inline MemoryAsset video(const QString &id, std::int64_t bytes, int year = 2023,
                         const QString &name = {}) {
    return fastAsset(id, name.isEmpty() ? id + QStringLiteral(".mov") : name, bytes,
                     localTime(year, 6, 15, 12, int(bytes % 60)));
}

struct ViewModelFixture {
    std::shared_ptr<MemoryPlatform> platform = std::make_shared<MemoryPlatform>();
    std::shared_ptr<FakeToolkit> toolkit = std::make_shared<FakeToolkit>();
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    std::shared_ptr<ScanFaultPlatform> scanFaults = std::make_shared<ScanFaultPlatform>(platform);
    VideoListViewModel vm{scanFaults, toolkit, clock};

    void add(std::initializer_list<MemoryAsset> assets) {
        for (const MemoryAsset &asset : assets)
            platform->addAsset(asset);
    }
    // Runs a whole scan; false when it does not end.
    [[nodiscard]] bool scan() {
        vm.startScan();
        return QTest::qWaitFor([this] { return !vm.isScanning(); });
    }
    // Waits for the running action to end.
    [[nodiscard]] bool acted() {
        return QTest::qWaitFor([this] { return !vm.isPerformingItemAction(); });
    }
    // Lets every change notice already given, and every library request it led to, reach the
    // view model: the notices are posted to this thread, and the service answers in order.
    void settle() {
        QCoreApplication::sendPostedEvents();
        await(vm.service()->existingIdentifiers({}));
    }
    QSet<QString> ids(std::initializer_list<const char *> names) const {
        QSet<QString> set;
        for (const char *name : names)
            set.insert(QString::fromLatin1(name));
        return set;
    }
    std::vector<VideoItem> records(std::initializer_list<const char *> names) const {
        return vm.items(ids(names));
    }
};

using Step = std::function<void(ViewModelFixture &)>;

} // namespace orsenta::test

Q_DECLARE_METATYPE(orsenta::test::Step)
