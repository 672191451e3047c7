// SPDX-License-Identifier: GPL-3.0-or-later
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

#include <climits>
#include <functional>

namespace orsenta::test {

// A video the scan reads on its fast path: name and size from the library, dated mid-June.
inline MemoryAsset video(const QString &id, std::int64_t bytes, int year = 2023,
                         const QString &name = {}) {
    return fastAsset(id, name.isEmpty() ? id + QStringLiteral(".mov") : name, bytes,
                     localTime(year, 6, 15, 12, int(bytes % 60)));
}

// Waits until the view model alone holds its library service: the work a scan leaves running
// (the Trash figures, the copy check) has let go of it, so the service ends with the view model
// on this thread rather than in a task that no event loop resumes any more.
[[nodiscard]] inline bool serviceIdle(const VideoListViewModel &vm) {
    return QTest::qWaitFor([&vm] { return vm.service().use_count() <= 1; });
}

struct ViewModelFixture {
    std::shared_ptr<MemoryPlatform> platform = std::make_shared<MemoryPlatform>();
    std::shared_ptr<FakeToolkit> toolkit = std::make_shared<FakeToolkit>();
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    std::shared_ptr<ScanFaultPlatform> scanFaults = std::make_shared<ScanFaultPlatform>(platform);
    VideoListViewModel vm{scanFaults, toolkit, clock};

    ~ViewModelFixture() {
        platform->holdContentChecks(false);
        if (!serviceIdle(vm))
            qWarning("the library service was still at work when the test ended");
    }

    void add(std::initializer_list<MemoryAsset> assets) {
        for (const MemoryAsset &asset : assets)
            platform->addAsset(asset);
    }
    // v000, v001, … an hour apart, newest first (v000 is read first): read on the fast path
    // before `bareFrom`, with nothing known of their size from there on.
    void addVideos(int count, int bareFrom = INT_MAX) {
        for (int i = 0; i < count; ++i) {
            const QString id = QStringLiteral("v%1").arg(i, 3, 10, QLatin1Char('0'));
            const Instant date = localTime(2023, 1, 1) - std::chrono::hours(i);
            platform->addAsset(i < bareFrom ? fastAsset(id, id, 1000 + i, date)
                                            : bareAsset(id, date));
        }
    }
    // Starts as the window does: reads access, watches the library, scans to the end and
    // checks the same-size videos for copies, then groups similar videos.
    [[nodiscard]] bool start() {
        vm.start();
        return settled();
    }
    // Runs a whole scan, its check for copies and the grouping of similar videos; false when
    // they do not end.
    [[nodiscard]] bool scan() {
        vm.startScan();
        return settled();
    }
    [[nodiscard]] bool settled() {
        return QTest::qWaitFor([this] {
            return !vm.isScanning() && !vm.copyCheck() && !vm.fingerprinting()
                   && !vm.isGroupingSimilar();
        });
    }
    // Waits for the running action to end.
    [[nodiscard]] bool acted() {
        return QTest::qWaitFor([this] { return !vm.isPerformingItemAction(); });
    }
    // Runs `action` whenever a batch has been added (the count is also reset when a scan starts).
    template <typename Action>
    void afterEachBatch(Action action) {
        QObject::connect(&vm, &VideoListViewModel::scanCompletedCountChanged, &vm, [this, action] {
            if (vm.scanCompletedCount() > 0)
                action();
        });
    }
    // Lets every change notice already given, and every library request it led to, reach the
    // view model: the notices are posted to this thread, and the service answers in order.
    void settle() {
        QCoreApplication::sendPostedEvents();
        await(vm.service()->existingIdentifiers({}));
    }
    // Takes videos away behind the view model's back and lets it notice.
    void changeOutside(std::initializer_list<const char *> removed = {}) {
        for (const char *id : removed)
            platform->removeAsset(QString::fromLatin1(id));
        platform->notifyChange();
        settle();
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
    VideoItem record(const char *name) const { return records({name}).front(); }
};

using Step = std::function<void(ViewModelFixture &)>;

} // namespace orsenta::test

Q_DECLARE_METATYPE(orsenta::test::Step)
