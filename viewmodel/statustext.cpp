// SPDX-License-Identifier: GPL-3.0-or-later
#include "statustext.h"

#include "model/displaytext.h"

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>
#include <climits>

namespace orsenta {

namespace {

// `%Ln` is the count the noun agrees with, grouped as the locale writes numbers; the other
// counts fill %1, %2 in order, grouped too, and a name fills the last place.
struct Form {
    const char *source;
    int pluralCount = -1;   // index of the count that stands at %Ln, or none
    unsigned bytesMask = 0; // counts whose bit is set are byte counts, shown as sizes
};

Form formOf(StatusText::Key key) {
    using Key = StatusText::Key;
    switch (key) {
    case Key::readyToScan:
        return {QT_TRANSLATE_NOOP("StatusText", "Ready to scan your video folders.")};
    case Key::requestingAccess:
        return {QT_TRANSLATE_NOOP("StatusText", "Checking access to your video folders…")};
    case Key::accessRequired:
        return {QT_TRANSLATE_NOOP("StatusText", "Orsenta needs to read your video folders.")};
    case Key::countingVideos:
        return {QT_TRANSLATE_NOOP("StatusText", "Counting videos…")};
    case Key::noVideos:
        return {QT_TRANSLATE_NOOP("StatusText", "No videos in your video folders.")};
    case Key::loaded:
        return {QT_TRANSLATE_N_NOOP("StatusText", "Loaded %1 of %Ln video(s)."), 1};
    case Key::scanCompleted:
        return {QT_TRANSLATE_N_NOOP("StatusText", "%Ln video(s), size known for %1."), 0};
    case Key::scanCancelledAt:
        return {QT_TRANSLATE_N_NOOP("StatusText", "Scan cancelled at %1 of %Ln video(s)."), 1};
    case Key::scanCancelled:
        return {QT_TRANSLATE_NOOP("StatusText", "Scan cancelled.")};
    case Key::scanFailed:
        return {QT_TRANSLATE_NOOP("StatusText", "Scan failed.")};
    case Key::deleting:
        return {QT_TRANSLATE_N_NOOP("StatusText", "Moving %Ln video(s) to the Trash…"), 0};
    case Key::deleted:
        return {QT_TRANSLATE_N_NOOP("StatusText",
                                    "Moved %Ln video(s) to the Trash. Emptying it frees %1."),
                0, 0b10};
    case Key::deletedKeepingSome:
        return {QT_TRANSLATE_N_NOOP(
                    "StatusText", "Moved %Ln video(s) to the Trash. Emptying it frees %1; nothing "
                                  "for %2 of them, whose blocks other links or copies share."),
                0, 0b10};
    case Key::deletionFailed:
        return {QT_TRANSLATE_NOOP("StatusText", "Deletion failed.")};
    case Key::deletionCancelled:
        return {QT_TRANSLATE_NOOP("StatusText", "Deletion cancelled.")};
    case Key::addingFavorites:
        return {QT_TRANSLATE_N_NOOP("StatusText", "Adding %Ln video(s) to Favorites…"), 0};
    case Key::removingFavorites:
        return {QT_TRANSLATE_N_NOOP("StatusText", "Removing %Ln video(s) from Favorites…"), 0};
    case Key::addedFavorites:
        return {QT_TRANSLATE_N_NOOP("StatusText", "Added %Ln video(s) to Favorites."), 0};
    case Key::removedFavorites:
        return {QT_TRANSLATE_N_NOOP("StatusText", "Removed %Ln video(s) from Favorites."), 0};
    case Key::favoriteFailed:
        return {QT_TRANSLATE_NOOP("StatusText", "Favorite update failed.")};
    case Key::downloading:
        return {QT_TRANSLATE_N_NOOP("StatusText", "Saving copies of %Ln video(s)…"), 0};
    case Key::downloadingOne:
        return {QT_TRANSLATE_NOOP("StatusText", "Saving copy %1 of %2…")};
    case Key::downloaded:
        return {QT_TRANSLATE_N_NOOP("StatusText", "Saved copies of %Ln video(s)."), 0};
    case Key::downloadedSome:
        return {QT_TRANSLATE_N_NOOP("StatusText", "Saved copies of %1 of %Ln video(s)."), 1};
    case Key::copiedName:
        return {QT_TRANSLATE_NOOP("StatusText", "Copied %1.")};
    case Key::copiedNames:
        return {QT_TRANSLATE_N_NOOP("StatusText", "Copied %Ln name(s)."), 0};
    case Key::removedInPhotos:
        return {QT_TRANSLATE_N_NOOP("StatusText", "%Ln video(s) removed from your folders."), 0};
    case Key::checkingCopies:
        return {QT_TRANSLATE_N_NOOP("StatusText",
                                    "Checking %Ln group(s) of same-size videos… %1 of %2"),
                0, 0b110};
    case Key::copyCheckStopped:
        return {QT_TRANSLATE_NOOP("StatusText",
                                  "Check for identical copies stopped: same-size videos are not "
                                  "called copies until it has run.")};
    case Key::restoring:
        return {QT_TRANSLATE_NOOP("StatusText", "Putting videos back from the Trash…")};
    case Key::restored:
        return {QT_TRANSLATE_N_NOOP("StatusText", "Put %Ln video(s) back from the Trash."), 0};
    }
    return {""};
}

} // namespace

StatusText StatusText::loaded(std::int64_t completed, std::int64_t total) {
    return {Key::loaded, {completed, total}};
}
StatusText StatusText::scanCompleted(std::int64_t count, std::int64_t knownSizeCount) {
    return {Key::scanCompleted, {count, knownSizeCount}};
}
StatusText StatusText::scanCancelledAt(std::int64_t count, std::int64_t total) {
    return {Key::scanCancelledAt, {count, total}};
}
StatusText StatusText::deleting(std::int64_t count) {
    return {Key::deleting, {count}};
}
StatusText StatusText::deleted(std::int64_t count, std::int64_t freedBytes,
                               std::int64_t freeingNothing) {
    if (freeingNothing > 0)
        return {Key::deletedKeepingSome, {count, freedBytes, freeingNothing}};
    return {Key::deleted, {count, freedBytes}};
}
StatusText StatusText::addingFavorites(std::int64_t count) {
    return {Key::addingFavorites, {count}};
}
StatusText StatusText::removingFavorites(std::int64_t count) {
    return {Key::removingFavorites, {count}};
}
StatusText StatusText::addedFavorites(std::int64_t count) {
    return {Key::addedFavorites, {count}};
}
StatusText StatusText::removedFavorites(std::int64_t count) {
    return {Key::removedFavorites, {count}};
}
StatusText StatusText::downloading(std::int64_t count) {
    return {Key::downloading, {count}};
}
StatusText StatusText::downloadingOne(std::int64_t position, std::int64_t count) {
    return {Key::downloadingOne, {position, count}};
}
StatusText StatusText::downloaded(std::int64_t succeeded) {
    return {Key::downloaded, {succeeded}};
}
StatusText StatusText::downloadedSome(std::int64_t succeeded, std::int64_t count) {
    return {Key::downloadedSome, {succeeded, count}};
}
StatusText StatusText::copiedName(const QString &name) {
    return {Key::copiedName, {}, name};
}
StatusText StatusText::copiedNames(std::int64_t count) {
    return {Key::copiedNames, {count}};
}
StatusText StatusText::removedInPhotos(std::int64_t count) {
    return {Key::removedInPhotos, {count}};
}
StatusText StatusText::checkingCopies(std::int64_t groups, std::int64_t doneBytes,
                                      std::int64_t totalBytes) {
    return {Key::checkingCopies, {groups, doneBytes, totalBytes}};
}
StatusText StatusText::restored(std::int64_t count) {
    return {Key::restored, {count}};
}

QString StatusText::text() const {
    const Form form = formOf(m_key);
    int plural = -1;
    if (form.pluralCount >= 0) {
        // Only the choice of plural form and the digits shown at %Ln depend on it; counts beyond
        // an int are not videos of one library.
        plural = int(std::clamp<std::int64_t>(m_counts[std::size_t(form.pluralCount)], 0, INT_MAX));
    }
    QString text = QCoreApplication::translate("StatusText", form.source, nullptr, plural);
    for (std::size_t i = 0; i < m_counts.size(); ++i) {
        if (int(i) == form.pluralCount)
            continue;
        if (form.bytesMask & (1u << i))
            text = text.arg(sizeText(m_counts[i]));
        else
            text = text.arg(QLocale().toString(qlonglong(m_counts[i])));
    }
    if (m_key == Key::copiedName)
        text = text.arg(m_name);
    return text;
}

} // namespace orsenta
