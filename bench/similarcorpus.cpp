// SPDX-License-Identifier: GPL-3.0-or-later
// How well similar videos are found on a corpus of edited copies and look-alike unrelated clips
// (tests/support/similarcorpus.h): pairwise precision and recall of areSimilar with the default
// rule, recall per kind of edit, the pairs it gets wrong, a sweep of the rule's thresholds to
// choose the defaults from, the same figures for summarizeSimilar's groups, and what
// fingerprinting costs per file beside reading its container. The corpus is kept in the build
// folder, so only the first run makes it.

#include "support/similarcorpus.h"

#include "benchsupport.h"
#include "library/platform/folder/containerprobe.h"
#include "library/platform/folder/fingerprinter.h"
#include "model/similarvideos.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QMap>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdio>
#include <functional>

using namespace orsenta;
using namespace orsenta::bench;
using namespace orsenta::test;
using namespace Qt::StringLiterals;

namespace {

constexpr auto deadline = std::chrono::seconds(30);

struct Entry {
    CorpusClip clip;
    VideoItem item;
};

struct Score {
    int truePairs = 0;
    int falsePairs = 0;
    int missedPairs = 0;

    double precision() const {
        return truePairs + falsePairs ? double(truePairs) / (truePairs + falsePairs) : 1.0;
    }
    double recall() const {
        return truePairs + missedPairs ? double(truePairs) / (truePairs + missedPairs) : 1.0;
    }
    void add(bool same, bool called) {
        truePairs += same && called;
        falsePairs += !same && called;
        missedPairs += same && !called;
    }
};

using PairTest = std::function<bool(int, int)>;

Score scorePairs(const std::vector<Entry> &entries, const PairTest &called) {
    Score score;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        for (std::size_t j = i + 1; j < entries.size(); ++j)
            score.add(entries[i].clip.origin == entries[j].clip.origin, called(int(i), int(j)));
    }
    return score;
}

PairTest byRule(const std::vector<Entry> &entries, const SimilarityRule &rule) {
    return [&entries, rule](int i, int j) {
        return areSimilar(entries[std::size_t(i)].item, entries[std::size_t(j)].item, rule);
    };
}

void printScore(const char *name, const Score &score) {
    std::printf("%s: precision %.4f recall %.4f (%d found, %d unrelated called similar, %d "
                "missed)\n",
                name, score.precision(), score.recall(), score.truePairs, score.falsePairs,
                score.missedPairs);
}

// Recall of each kind of edit against its own original, and the originals whose edit is missed.
void printRecallByEdit(const std::vector<Entry> &entries, const SimilarityRule &rule) {
    QHash<QString, const Entry *> originalOf;
    for (const Entry &entry : entries) {
        if (entry.clip.edit == originalEdit)
            originalOf.insert(entry.clip.origin, &entry);
    }
    QMap<QString, Score> byEdit;
    QMap<QString, QStringList> missedBy;
    QStringList editOrder;
    for (const Entry &entry : entries) {
        const Entry *original = originalOf.value(entry.clip.origin);
        if (entry.clip.edit == originalEdit || !original)
            continue;
        if (!editOrder.contains(entry.clip.edit))
            editOrder << entry.clip.edit;
        const bool found = areSimilar(original->item, entry.item, rule);
        byEdit[entry.clip.edit].add(true, found);
        if (!found)
            missedBy[entry.clip.edit] << entry.clip.origin;
    }
    for (const QString &edit : std::as_const(editOrder)) {
        const Score &score = byEdit.value(edit);
        std::printf("  recall %-16s %.3f (%d of %d)%s%s\n", qPrintable(edit), score.recall(),
                    score.truePairs, score.truePairs + score.missedPairs,
                    missedBy.contains(edit) ? "  missed: " : "",
                    qPrintable(missedBy.value(edit).join(u", "_s)));
    }
}

// What a fingerprint can say: its informative frames (not flat) and how many of them differ from
// every one before them by more than the rule's distinct distance.
QString frameCounts(const VideoFingerprint &fingerprint, const SimilarityRule &rule) {
    std::vector<std::uint64_t> distinct;
    int informative = 0;
    for (const std::uint64_t hash : fingerprint.frames) {
        if (hash == 0)
            continue;
        ++informative;
        if (std::ranges::all_of(distinct, [&](std::uint64_t other) {
                return std::popcount(hash ^ other) > rule.distinctDistance;
            }))
            distinct.push_back(hash);
    }
    return u"%1 informative, %2 distinct"_s.arg(informative).arg(distinct.size());
}

// For each pair the rule misses between an original and its edit: the bits by which each frame
// differs from the nearest of the other's frames at the same index or one beside it ("-" where
// either frame is flat), to show where the fingerprints part.
void printMissProfiles(const std::vector<Entry> &entries, const SimilarityRule &rule) {
    QHash<QString, const Entry *> originalOf;
    for (const Entry &entry : entries) {
        if (entry.clip.edit == originalEdit) {
            originalOf.insert(entry.clip.origin, &entry);
            std::printf("  %-24s %s\n", qPrintable(entry.clip.name),
                        qPrintable(frameCounts(entry.item.fileFacts().fingerprint, rule)));
        }
    }
    for (const Entry &entry : entries) {
        const Entry *original = originalOf.value(entry.clip.origin);
        if (entry.clip.edit == originalEdit || !original
            || areSimilar(original->item, entry.item, rule))
            continue;
        const auto &a = original->item.fileFacts().fingerprint.frames;
        const auto &b = entry.item.fileFacts().fingerprint.frames;
        QString profile;
        for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
            int best = 64;
            for (std::size_t j = i == 0 ? 0 : i - 1; j <= i + 1 && j < b.size(); ++j) {
                if (a[i] != 0 && b[j] != 0)
                    best = std::min(best, std::popcount(a[i] ^ b[j]));
            }
            profile += a[i] == 0 || b[i] == 0 ? u"  -"_s : u" %1"_s.arg(best, 2);
        }
        std::printf("  missed %-36s%s\n", qPrintable(entry.clip.name), qPrintable(profile));
    }
}

void printFalsePairs(const std::vector<Entry> &entries, const SimilarityRule &rule) {
    constexpr int shown = 20;
    int count = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        for (std::size_t j = i + 1; j < entries.size(); ++j) {
            if (entries[i].clip.origin != entries[j].clip.origin
                && areSimilar(entries[i].item, entries[j].item, rule) && ++count <= shown)
                std::printf("  unrelated but similar: %s, %s\n", qPrintable(entries[i].clip.name),
                            qPrintable(entries[j].clip.name));
        }
    }
    if (count > shown)
        std::printf("  … and %d more\n", count - shown);
}

bool isTrim(const QString &edit) {
    return edit.startsWith(u"trim"_s);
}

// How far apart frames at the same index lie (the nearest of the other's frame there and its two
// neighbours): between an original and each edit that keeps its timing, and between unrelated
// clips. The rule's frame distance belongs between the two.
void printFrameDistances(const std::vector<Entry> &entries) {
    std::vector<int> same;
    std::vector<int> unrelated;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        for (std::size_t j = i + 1; j < entries.size(); ++j) {
            const CorpusClip &x = entries[i].clip;
            const CorpusClip &y = entries[j].clip;
            const bool related = x.origin == y.origin;
            if (related
                && ((x.edit != originalEdit && y.edit != originalEdit) || isTrim(x.edit)
                    || isTrim(y.edit)))
                continue;
            const auto &a = entries[i].item.fileFacts().fingerprint.frames;
            const auto &b = entries[j].item.fileFacts().fingerprint.frames;
            for (std::size_t k = 0; k < std::min(a.size(), b.size()); ++k) {
                int best = 65;
                for (std::size_t m = k == 0 ? 0 : k - 1; m <= k + 1 && m < b.size(); ++m) {
                    if (a[k] != 0 && b[m] != 0)
                        best = std::min(best, std::popcount(a[k] ^ b[m]));
                }
                if (best <= 64)
                    (related ? same : unrelated).push_back(best);
            }
        }
    }
    const auto at = [](std::vector<int> &values, double share) {
        std::ranges::sort(values);
        return values.empty() ? -1 : values[std::size_t(share * double(values.size() - 1))];
    };
    std::printf("frame distances, same video untrimmed (%zu frames): median %d, 90%% %d, 95%% %d, "
                "99%% %d, max %d\n",
                same.size(), at(same, 0.5), at(same, 0.9), at(same, 0.95), at(same, 0.99),
                at(same, 1.0));
    std::printf("frame distances, unrelated (%zu frames): min %d, 0.1%% %d, 1%% %d, 5%% %d, "
                "median %d\n",
                unrelated.size(), at(unrelated, 0.0), at(unrelated, 0.001), at(unrelated, 0.01),
                at(unrelated, 0.05), at(unrelated, 0.5));
}

void printSweep(const std::vector<Entry> &entries) {
    const int distances[] = {6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26};
    const double shares[] = {0.5, 0.6, 0.7, 0.75, 0.8, 0.9};
    std::printf("sweep of frameDistance (rows) x matchingShare (columns), precision/recall:\n%6s",
                "");
    for (const double share : shares)
        std::printf("  %11.2f", share);
    std::printf("\n");
    for (const int distance : distances) {
        std::printf("%6d", distance);
        for (const double share : shares) {
            SimilarityRule rule;
            rule.frameDistance = distance;
            rule.matchingShare = share;
            const Score score = scorePairs(entries, byRule(entries, rule));
            std::printf("  %.3f/%.3f", score.precision(), score.recall());
        }
        std::printf("\n");
    }
    for (const int distance : distances) {
        SimilarityRule loosest;
        loosest.frameDistance = distance;
        loosest.matchingShare = shares[0];
        if (scorePairs(entries, byRule(entries, loosest)).falsePairs > 0) {
            std::printf("first unrelated pairs called similar, at frameDistance %d and "
                        "matchingShare %.2f:\n",
                        distance, shares[0]);
            printFalsePairs(entries, loosest);
            break;
        }
    }
    std::printf("sweep of durationSlackSeconds, precision/recall:");
    for (const double slack : {0.5, 1.5, 2.5, 3.5, 4.5, 6.5, 10.0, 20.0}) {
        SimilarityRule rule;
        rule.durationSlackSeconds = slack;
        const Score score = scorePairs(entries, byRule(entries, rule));
        std::printf("  %.1f s %.3f/%.3f", slack, score.precision(), score.recall());
    }
    std::printf("\nsweep of distinctFrames, precision/recall:");
    for (const int distinct : {1, 2, 3, 4, 6, 8}) {
        SimilarityRule rule;
        rule.distinctFrames = distinct;
        const Score score = scorePairs(entries, byRule(entries, rule));
        std::printf("  %d %.3f/%.3f", distinct, score.precision(), score.recall());
    }
    std::printf("\nsweep of distinctDistance, precision/recall:");
    for (const int bits : {2, 4, 6, 8, 10, 12}) {
        SimilarityRule rule;
        rule.distinctDistance = bits;
        const Score score = scorePairs(entries, byRule(entries, rule));
        std::printf("  %d %.3f/%.3f", bits, score.precision(), score.recall());
    }
    std::printf("\n");
}

void printGroups(const std::vector<Entry> &entries) {
    std::vector<VideoItem> items;
    for (const Entry &entry : entries)
        items.push_back(entry.item);
    const SimilarSummary summary = summarizeSimilar(items);
    const auto groupOf = [&](int i) {
        return summary.groupOf.value(entries[std::size_t(i)].clip.name, -1);
    };
    printScore("summarizeSimilar pairs in one group", scorePairs(entries, [&](int i, int j) {
                   return groupOf(i) >= 0 && groupOf(i) == groupOf(j);
               }));
    QHash<QString, int> clipsOf;
    for (const Entry &entry : entries)
        ++clipsOf[entry.clip.origin];
    const auto edited = std::ranges::count_if(clipsOf, [](int clips) { return clips > 1; });
    std::printf("  %lld groups for %lld edited originals\n",
                static_cast<long long>(summary.groupCount()), static_cast<long long>(edited));
    int apart = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        for (std::size_t j = i + 1; j < entries.size(); ++j)
            apart += areSimilar(entries[i].item, entries[j].item)
                     && (groupOf(int(i)) < 0 || groupOf(int(i)) != groupOf(int(j)));
    }
    std::printf("  similar pairs left in different groups or none: %d\n", apart);
    const double ms = medianMs(5, [&] { keep(summarizeSimilar(items)); });
    figure("summarizeSimilar over the corpus", ms, "ms");
}

double elapsedMs(const std::function<void()> &work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QElapsedTimer making;
    making.start();
    const Corpus corpus = makeSimilarCorpus(QStringLiteral(ORSENTA_CORPUS_CACHE), CorpusSize::full);
    if (!corpus.error.isEmpty()) {
        std::printf("the corpus could not be made: %s\n", qPrintable(corpus.error));
        return 1;
    }
    figure("corpus made or found", double(making.elapsed()) / 1000, "s");

    std::vector<Entry> entries;
    QMap<QString, std::vector<double>> fingerprintMs;
    QMap<QString, std::vector<double>> probeMs;
    for (const CorpusClip &clip : corpus.clips) {
        const QByteArray path = QFile::encodeName(clip.path);
        QString error;
        VideoFingerprint fingerprint;
        const double fingerprinting =
            elapsedMs([&] { fingerprint = platform::fingerprintVideo(path, deadline, &error); });
        const double probing = elapsedMs([&] { keep(platform::probeContainer(path, deadline)); });
        const VideoItem item = corpusItem(clip, fingerprint);
        if (fingerprint.isEmpty() || item.localIdentifier().isEmpty()) {
            std::printf("%s could not be read: %s\n", qPrintable(clip.name), qPrintable(error));
            return 1;
        }
        const QString resolution = u"%1x%2"_s.arg(item.pixelWidth()).arg(item.pixelHeight());
        fingerprintMs[resolution].push_back(fingerprinting);
        probeMs[resolution].push_back(probing);
        entries.push_back({clip, item});
    }
    std::printf("%zu clips\n", entries.size());
    for (auto it = fingerprintMs.begin(); it != fingerprintMs.end(); ++it) {
        const auto median = [](std::vector<double> values) {
            std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
            return values[values.size() / 2];
        };
        const double fingerprinting = median(it.value());
        const double probing = median(probeMs.value(it.key()));
        const QByteArray name = "fingerprint per file at " + it.key().toUtf8() + " ("
                                + QByteArray::number(it.value().size()) + " files, median)";
        figure(name.constData(), fingerprinting, "ms");
        ratio(name.constData(), "container read", fingerprinting, probing);
    }

    const SimilarityRule rule;
    printScore("areSimilar, default rule", scorePairs(entries, byRule(entries, rule)));
    printRecallByEdit(entries, rule);
    printFalsePairs(entries, rule);
    printMissProfiles(entries, rule);
    printGroups(entries);
    printFrameDistances(entries);
    printSweep(entries);
    return 0;
}
