// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sidebar beside the table: total size, library counts, scan progress, the size filter,
// the identical copies and their check, the years and months, what of the library waits in the
// Trash, and the status line with Undo. It draws the view model's state and calls one of its
// operations for each control.

#include "viewmodel/videolistviewmodel.h"

#include <QHash>
#include <QPointer>
#include <QScrollArea>

#include <functional>
#include <vector>

class QAbstractButton;
class QComboBox;
class QLabel;
class QProgressBar;
class QVBoxLayout;

namespace orsenta {

class ByteCountView;
class DateBucketRow;
class Spinner;

// Empties the search, shows every size, selects all dates and leaves the duplicates view, in
// this order; an open year stays open.
void clearAllFilters(VideoListViewModel &model);

class Sidebar : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int minimumWidth = 240;
    static constexpr int idealWidth = 264;
    static constexpr int maximumWidth = 320;

    explicit Sidebar(VideoListViewModel *model, QWidget *parent = nullptr);

Q_SIGNALS:
    // The user asked to select the extra similar copies: the window confirms first.
    void selectExtraSimilarRequested();

public:
    QSize sizeHint() const override;

    // What tests and screenshots drive.
    ByteCountView *totalSizeView() const { return m_totalSize; }
    QComboBox *sizeFilterBox() const { return m_sizeFilter; }
    QAbstractButton *clearFiltersButton() const { return m_clearFilters; }
    DateBucketRow *copiesRow() const { return m_copies; }
    QAbstractButton *selectExtraCopiesButton() const { return m_selectExtraCopies; }
    DateBucketRow *similarRow() const { return m_similarRow; }
    QAbstractButton *selectExtraSimilarButton() const { return m_selectExtraSimilar; }
    // "Similar copies in 3 groups…", or empty while the section is hidden.
    QString similarText() const;
    // "Looking at 340 new videos for similar copies: 12 done…" while they are fingerprinted.
    QString fingerprintingText() const;
    // The copy check's progress and its line ("Checking 2 groups of same-size videos…"), shown
    // while it runs.
    QProgressBar *copyCheckProgress() const { return m_checkProgress; }
    QString copyCheckText() const;
    // "In the Trash: 2 videos, 3 MB", or empty while nothing of the library is in the Trash.
    QString trashText() const;
    QAbstractButton *openTrashButton() const { return m_openTrash; }
    QAbstractButton *undoButton() const { return m_undo; }
    // The "All dates" control that closes an open year.
    QAbstractButton *backButton() const { return m_back; }
    // The rows of the "By date" section, top to bottom.
    const std::vector<DateBucketRow *> &dateRows() const { return m_dateRows; }
    QLabel *statusLabel() const { return m_status; }
    // The value of a labelled row of the "Library" section ("Videos", "Shown", "Size unknown"),
    // or empty while it is hidden.
    QString libraryValue(const QString &label) const;

private:
    struct Section {
        QWidget *root = nullptr;
        QVBoxLayout *body = nullptr;
        QLabel *footer = nullptr;
    };
    Section addSection(const QString &header);
    QLabel *addLibraryRow(QVBoxLayout *body, const QString &label);

    void refreshTotal();
    void refreshLibrary();
    void refreshScanning();
    void refreshFilter();
    void refreshDuplicates();
    void refreshSimilar();
    void refreshTrash();
    void refreshDates();
    void refreshStatus();

    QPointer<VideoListViewModel> m_model;
    QVBoxLayout *m_column = nullptr;

    ByteCountView *m_totalSize = nullptr;

    QLabel *m_videos = nullptr;
    QLabel *m_shown = nullptr;
    QLabel *m_unknown = nullptr;
    Section m_library;

    Section m_scanning;
    QWidget *m_counting = nullptr;
    QWidget *m_progressColumn = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_progressText = nullptr;

    QComboBox *m_sizeFilter = nullptr;
    QAbstractButton *m_clearFilters = nullptr;

    Section m_duplicates;
    DateBucketRow *m_copies = nullptr;
    QWidget *m_checking = nullptr;
    QLabel *m_checkGroups = nullptr;
    QProgressBar *m_checkProgress = nullptr;
    QLabel *m_checkBytes = nullptr;
    QAbstractButton *m_selectExtraCopies = nullptr;

    Section m_similar;
    DateBucketRow *m_similarRow = nullptr;
    QLabel *m_similarGroups = nullptr;
    QLabel *m_similarReading = nullptr;
    QAbstractButton *m_selectExtraSimilar = nullptr;

    Section m_trash;
    QLabel *m_trashText = nullptr;
    QAbstractButton *m_openTrash = nullptr;

    Section m_dates;
    QAbstractButton *m_back = nullptr;
    QWidget *m_dateRowsBox = nullptr;
    // The rows of the date section and what each does when clicked. A row that stands for the
    // same bucket after a refresh is the same widget, so that its numbers roll.
    std::vector<DateBucketRow *> m_dateRows;
    QHash<QString, DateBucketRow *> m_dateRowsByKey;
    QHash<DateBucketRow *, std::function<void(VideoListViewModel &)>> m_dateRowActions;

    Spinner *m_actionSpinner = nullptr;
    QLabel *m_status = nullptr;
    QAbstractButton *m_undo = nullptr;
};

} // namespace orsenta
