// SPDX-License-Identifier: GPL-3.0-or-later
// The async pieces under the service: a consumer that looks again before it waits, and a
// resumption that is never dropped, whatever became of the thread it was meant for.

#include "library/async/completionqueue.h"
#include "support/testmain.h"

#include <QThread>

#include <memory>

using namespace orsenta;

namespace {

// Raises `resumed` once `hop` has moved it.
QCoro::Task<> hopThenMark(ResumeOn hop, bool &resumed) {
    co_await hop;
    resumed = true;
}

} // namespace

class TestAsyncParts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A result posted between the consumer's first look and its wait must not be slept through.
    void completionQueueLooksAgainBeforeWaiting() {
        QObject context;
        CompletionQueue<int> queue(&context);
        auto next = queue.next();
        QVERIFY(!next.await_ready());
        queue.post(7);
        QVERIFY(!next.await_suspend(std::noop_coroutine()));
        QCOMPARE(next.await_resume(), 7);
    }

    // A hop towards a context that is gone, or that goes while the hop waits in its queue,
    // resumes on the thread that finds it gone instead of never.
    void hopToAGoneContextStillResumes_data() {
        QTest::addColumn<bool>("goneBeforeTheHop");
        QTest::newRow("gone before the hop") << true;
        QTest::newRow("gone while the hop waits") << false;
    }
    void hopToAGoneContextStillResumes() {
        QFETCH(bool, goneBeforeTheHop);
        // A thread that never runs: nothing posted to it is ever delivered.
        QThread idle;
        auto context = std::make_unique<QObject>();
        context->moveToThread(&idle);
        const ResumeOn hop(context.get());
        if (goneBeforeTheHop)
            context.reset();
        bool resumed = false;
        auto task = hopThenMark(hop, resumed);
        QCOMPARE(resumed, goneBeforeTheHop);
        context.reset();
        QVERIFY(resumed);
        QVERIFY(task.isReady());
    }
};

ORSENTA_TEST_MAIN(TestAsyncParts)
#include "tst_libraryasync.moc"
