// SPDX-License-Identifier: GPL-3.0-or-later
// Similar videos on real files: a small corpus of clips and their copies, fingerprinted as the
// folder library does. Whatever the rule's thresholds, two unrelated clips are never similar
// (not for a shared intro, a still picture or near black) and a plain re-encode is never missed.

#include "library/platform/folder/fingerprinter.h"
#include "model/similarvideos.h"
#include "support/similarcorpus.h"
#include "support/temphome.h"
#include "support/testmain.h"

#include <QHash>
#include <QTemporaryDir>

#include <chrono>

using namespace orsenta;
using namespace orsenta::test;
using namespace Qt::StringLiterals;

class FolderSimilarTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void unrelatedClipsAreNeverSimilar_data();
    void unrelatedClipsAreNeverSimilar();
    void reencodedCopyIsFound_data();
    void reencodedCopyIsFound();
    void groupsNeverJoinUnrelatedClips();

private:
    QTemporaryDir m_dir;
    QList<CorpusClip> m_clips;
    QHash<QString, VideoItem> m_items;
    SimilarSummary m_summary;
};

void FolderSimilarTest::initTestCase() {
    QVERIFY(m_dir.isValid());
    const Corpus corpus = makeSimilarCorpus(m_dir.path(), CorpusSize::small);
    QVERIFY2(corpus.error.isEmpty(), qPrintable(corpus.error));
    m_clips = corpus.clips;
    std::vector<VideoItem> items;
    for (const CorpusClip &clip : std::as_const(m_clips)) {
        QString error;
        const VideoFingerprint fingerprint =
            platform::fingerprintVideo(bytes(clip.path), std::chrono::seconds(20), &error);
        QVERIFY2(!fingerprint.isEmpty(), qPrintable(clip.name + u": "_s + error));
        const VideoItem item = corpusItem(clip, fingerprint);
        QVERIFY2(!item.localIdentifier().isEmpty(), qPrintable(clip.name));
        m_items.insert(clip.name, item);
        items.push_back(item);
    }
    m_summary = summarizeSimilar(items);
}

void FolderSimilarTest::unrelatedClipsAreNeverSimilar_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    for (qsizetype i = 0; i < m_clips.size(); ++i) {
        for (qsizetype j = i + 1; j < m_clips.size(); ++j) {
            const CorpusClip &a = m_clips.at(i);
            const CorpusClip &b = m_clips.at(j);
            if (a.origin != b.origin)
                QTest::addRow("%s, %s", qPrintable(a.name), qPrintable(b.name)) << a.name << b.name;
        }
    }
}

void FolderSimilarTest::unrelatedClipsAreNeverSimilar() {
    QFETCH(QString, first);
    QFETCH(QString, second);
    QVERIFY(!areSimilar(m_items.value(first), m_items.value(second)));
    QVERIFY(!areSimilar(m_items.value(second), m_items.value(first)));
}

void FolderSimilarTest::reencodedCopyIsFound_data() {
    QTest::addColumn<QString>("original");
    QTest::addColumn<QString>("copy");
    for (const CorpusClip &clip : std::as_const(m_clips)) {
        if (clip.edit == u"re-encode"_s)
            QTest::addRow("%s", qPrintable(clip.origin)) << clip.origin << clip.name;
    }
}

void FolderSimilarTest::reencodedCopyIsFound() {
    QFETCH(QString, original);
    QFETCH(QString, copy);
    QVERIFY(areSimilar(m_items.value(original), m_items.value(copy)));
    const SimilarGroup *group = m_summary.groupFor(original);
    QVERIFY(group);
    QVERIFY(group->identifiers.contains(copy));
}

void FolderSimilarTest::groupsNeverJoinUnrelatedClips() {
    QHash<QString, QString> originOf;
    for (const CorpusClip &clip : std::as_const(m_clips))
        originOf.insert(clip.name, clip.origin);
    for (const SimilarGroup &group : m_summary.groups) {
        for (const QString &identifier : group.identifiers)
            QCOMPARE(originOf.value(identifier), originOf.value(group.identifiers.first()));
    }
}

ORSENTA_TEST_MAIN(FolderSimilarTest)
#include "tst_foldersimilar.moc"
