// SPDX-License-Identifier: GPL-3.0-or-later
#include "sidebar.h"

#include "bytecountview.h"
#include "datebucketrow.h"
#include "fonts.h"
#include "linkbutton.h"
#include "model/datebuckets.h"
#include "model/displaytext.h"
#include "spinner.h"
#include "viewmodel/videolistviewmodel.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <utility>

namespace orsenta {

namespace {

// Texts filed under the "Sidebar" context, where lupdate finds them.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(Sidebar)
};

int plural(std::int64_t count) {
    return int(std::clamp<std::int64_t>(count, 0, INT_MAX));
}

QString number(std::int64_t value) {
    return QLocale().toString(qlonglong(value));
}

// Caption and secondary text: smaller, and the text colour at reduced strength so that it
// follows the theme.
void makeSecondary(QWidget *widget, qreal scale = 0.86) {
    widget->setFont(scaledFont(widget->font(), scale));
    widget->setForegroundRole(QPalette::PlaceholderText);
}

// The rounded group behind each section's rows, in the colour of the table's rows.
class SectionBody : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette().color(QPalette::Base));
        painter.drawRoundedRect(QRectF(rect()), 8, 8);
    }
};

} // namespace

void clearAllFilters(VideoListViewModel &model) {
    model.setSearchText(QString());
    model.setSizeFilter(SizeFilter::none);
    model.select(DateFilter::all(), false);
}

Sidebar::Sidebar(VideoListViewModel *model, QWidget *parent)
    : QScrollArea(parent)
    , m_model(model) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMinimumWidth(minimumWidth);
    setMaximumWidth(maximumWidth);
    setAccessibleName(QStringLiteral("Orsenta"));

    auto *content = new QWidget;
    content->setBackgroundRole(QPalette::Window);
    m_column = new QVBoxLayout(content);
    m_column->setContentsMargins(10, 10, 10, 10);
    m_column->setSpacing(14);
    setWidget(content);

    // 1. Total size.
    {
        auto *box = new QWidget;
        auto *layout = new QVBoxLayout(box);
        layout->setContentsMargins(4, 0, 4, 0);
        layout->setSpacing(4);
        auto *caption = new QLabel(Text::tr("Total size"));
        makeSecondary(caption);
        m_totalSize = new ByteCountView;
        QFont big = m_totalSize->font();
        big.setPixelSize(26);
        big.setWeight(QFont::DemiBold);
        m_totalSize->setFont(big);
        layout->addWidget(caption);
        layout->addWidget(m_totalSize);
        m_column->addWidget(box);
    }

    // 2. Library.
    m_library = addSection(Text::tr("Library"));
    m_videos = addLibraryRow(m_library.body, Text::tr("Videos"));
    m_shown = addLibraryRow(m_library.body, Text::tr("Shown"));
    m_unknown = addLibraryRow(m_library.body, Text::tr("Size unknown"));
    m_library.footer->setText(Text::tr("Videos whose files could not be read report no size."));

    // 3. Scanning.
    m_scanning = addSection(Text::tr("Scanning"));
    m_counting = new QWidget;
    {
        auto *row = new QHBoxLayout(m_counting);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(8);
        row->addWidget(new Spinner(12));
        auto *label = new QLabel(Text::tr("Counting videos…"));
        makeSecondary(label);
        row->addWidget(label, 1);
    }
    m_progressColumn = new QWidget;
    {
        auto *column = new QVBoxLayout(m_progressColumn);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(6);
        m_progress = new QProgressBar;
        m_progress->setRange(0, 1000);
        m_progress->setTextVisible(false);
        m_progress->setFixedHeight(6);
        m_progressText = new QLabel;
        makeSecondary(m_progressText);
        column->addWidget(m_progress);
        column->addWidget(m_progressText);
    }
    m_scanning.body->addWidget(m_counting);
    m_scanning.body->addWidget(m_progressColumn);

    // 4. Filter.
    Section filter = addSection(Text::tr("Filter"));
    {
        auto *row = new QHBoxLayout;
        row->setSpacing(8);
        auto *label = new QLabel(Text::tr("Minimum size"));
        m_sizeFilter = new QComboBox;
        m_sizeFilter->setAccessibleName(label->text());
        label->setBuddy(m_sizeFilter);
        for (SizeFilter value : allSizeFilters)
            m_sizeFilter->addItem(sizeFilterLabel(value), int(value));
        row->addWidget(label);
        row->addStretch(1);
        row->addWidget(m_sizeFilter);
        filter.body->addLayout(row);
        m_clearFilters = new LinkButton(Text::tr("Clear filters"));
        filter.body->addWidget(m_clearFilters);
        connect(m_sizeFilter, &QComboBox::activated, this, [this](int index) {
            if (m_model)
                m_model->setSizeFilter(SizeFilter(m_sizeFilter->itemData(index).toInt()));
        });
        connect(m_clearFilters, &QAbstractButton::clicked, this, [this] {
            if (m_model)
                clearAllFilters(*m_model);
        });
    }

    // 5. Identical copies.
    m_duplicates = addSection(Text::tr("Identical copies"));
    m_copies = new DateBucketRow;
    m_copies->setTitle(Text::tr("Copies"));
    m_checking = new QWidget;
    {
        auto *column = new QVBoxLayout(m_checking);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(4);
        m_checkGroups = new QLabel;
        m_checkGroups->setWordWrap(true);
        makeSecondary(m_checkGroups);
        m_checkProgress = new QProgressBar;
        m_checkProgress->setTextVisible(false);
        m_checkProgress->setFixedHeight(6);
        // Reachable with Tab, so that a screen reader can tell how far the check has read.
        m_checkProgress->setFocusPolicy(Qt::TabFocus);
        m_checkProgress->setAccessibleName(Text::tr("Check for identical copies"));
        m_checkBytes = new QLabel;
        makeSecondary(m_checkBytes);
        column->addWidget(m_checkGroups);
        column->addWidget(m_checkProgress);
        column->addWidget(m_checkBytes);
    }
    m_selectExtraCopies = new LinkButton(Text::tr("Select Extra Copies"));
    m_duplicates.body->addWidget(m_copies);
    m_duplicates.body->addWidget(m_checking);
    m_duplicates.body->addWidget(m_selectExtraCopies);
    connect(m_copies, &QAbstractButton::clicked, this, [this] {
        if (m_model)
            m_model->showDuplicates();
    });
    // Clickable during the check too: the view model selects once the check ends.
    connect(m_selectExtraCopies, &QAbstractButton::clicked, this, [this] {
        if (m_model)
            m_model->selectExtraCopies();
    });

    // 6. Similar videos: the same video kept in other forms.
    m_similar = addSection(Text::tr("Similar videos"));
    m_similarRow = new DateBucketRow;
    m_similarRow->setTitle(Text::tr("Similar copies"));
    m_similarGroups = new QLabel;
    m_similarGroups->setWordWrap(true);
    makeSecondary(m_similarGroups);
    m_selectExtraSimilar = new LinkButton(Text::tr("Select Extra Similar Copies…"));
    m_selectExtraSimilar->setToolTip(
        Text::tr("Shows what each group keeps, then selects every other copy."));
    m_similarReading = new QLabel;
    m_similarReading->setWordWrap(true);
    makeSecondary(m_similarReading);
    m_similar.body->addWidget(m_similarReading);
    m_similar.body->addWidget(m_similarRow);
    m_similar.body->addWidget(m_similarGroups);
    m_similar.body->addWidget(m_selectExtraSimilar);
    m_similar.footer->setText(Text::tr("Re-encoded, resized or trimmed copies of one video. Each "
                                       "group keeps the favourite, else the largest picture."));
    m_similar.footer->show();
    connect(m_similarRow, &QAbstractButton::clicked, this, [this] {
        if (m_model)
            m_model->showSimilar();
    });
    connect(m_selectExtraSimilar, &QAbstractButton::clicked, this,
            &Sidebar::selectExtraSimilarRequested);

    // 7. Trash.
    m_trash = addSection(Text::tr("Trash"));
    {
        m_trashText = new QLabel;
        m_trashText->setWordWrap(true);
        m_openTrash = new LinkButton(Text::tr("Open Trash"));
        m_trash.body->addWidget(m_trashText);
        m_trash.body->addWidget(m_openTrash);
        m_trash.footer->setText(
            Text::tr("Orsenta never empties the Trash; the space returns when you empty it."));
        m_trash.footer->show();
        connect(m_openTrash, &QAbstractButton::clicked, this, [this] {
            if (m_model)
                m_model->openTrash();
        });
    }

    // 8. By date.
    m_dates = addSection(Text::tr("By date"));
    auto *back = new LinkButton(Text::tr("All dates"));
    back->setLeadingSymbol(Symbol::chevronLeft);
    m_back = back;
    m_dateRowsBox = new QWidget;
    auto *rows = new QVBoxLayout(m_dateRowsBox);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(1);
    m_dates.body->addWidget(m_back);
    m_dates.body->addWidget(m_dateRowsBox);
    connect(m_back, &QAbstractButton::clicked, this, [this] {
        if (!m_model)
            return;
        if (m_model->expandedYear())
            m_model->setExpandedYear(std::nullopt);
        m_model->select(DateFilter::all(), false);
    });

    // 9. Status, and Undo of the last move to the Trash.
    {
        auto *row = new QHBoxLayout;
        row->setContentsMargins(4, 0, 4, 0);
        row->setSpacing(6);
        m_actionSpinner = new Spinner(12);
        m_status = new QLabel;
        m_status->setWordWrap(true);
        makeSecondary(m_status);
        m_undo = new LinkButton(Text::tr("Undo"));
        m_undo->setToolTip(Text::tr("Put the videos last moved to the Trash back"));
        row->addWidget(m_actionSpinner, 0, Qt::AlignVCenter);
        row->addWidget(m_status, 1, Qt::AlignVCenter);
        row->addWidget(m_undo, 0, Qt::AlignVCenter);
        m_column->addLayout(row);
        connect(m_undo, &QAbstractButton::clicked, this, [this] {
            if (m_model)
                m_model->undoDeletion();
        });
    }
    m_column->addStretch(1);

    if (!m_model)
        return;
    VideoListViewModel *vm = m_model;
    using VM = VideoListViewModel;
    for (auto signal : {&VM::statsChanged})
        connect(vm, signal, this, &Sidebar::refreshTotal);
    for (auto signal :
         {&VM::statsChanged, &VM::searchTextChanged, &VM::sizeFilterChanged, &VM::dateFilterChanged,
          &VM::showsDuplicatesChanged, &VM::showsSimilarChanged}) {
        connect(vm, signal, this, &Sidebar::refreshLibrary);
        connect(vm, signal, this, &Sidebar::refreshFilter);
    }
    for (auto signal : {&VM::isScanningChanged, &VM::scanProgressChanged,
                        &VM::scanCompletedCountChanged, &VM::scanTotalCountChanged})
        connect(vm, signal, this, &Sidebar::refreshScanning);
    for (auto signal : {&VM::duplicatesChanged, &VM::showsDuplicatesChanged, &VM::copyCheckChanged})
        connect(vm, signal, this, &Sidebar::refreshDuplicates);
    for (auto signal : {&VM::similarChanged, &VM::showsSimilarChanged,
                        &VM::isGroupingSimilarChanged, &VM::fingerprintingChanged})
        connect(vm, signal, this, &Sidebar::refreshSimilar);
    connect(vm, &VM::libraryTrashChanged, this, &Sidebar::refreshTrash);
    for (auto signal : {&VM::yearBucketsChanged, &VM::expandedYearChanged, &VM::dateFilterChanged,
                        &VM::showsDuplicatesChanged, &VM::showsSimilarChanged, &VM::statsChanged})
        connect(vm, signal, this, &Sidebar::refreshDates);
    for (auto signal : {&VM::statusChanged, &VM::isPerformingItemActionChanged,
                        &VM::isScanningChanged, &VM::canUndoDeletionChanged})
        connect(vm, signal, this, &Sidebar::refreshStatus);

    refreshTotal();
    refreshLibrary();
    refreshScanning();
    refreshFilter();
    refreshDuplicates();
    refreshSimilar();
    refreshTrash();
    refreshDates();
    refreshStatus();
}

QSize Sidebar::sizeHint() const {
    return {idealWidth, QScrollArea::sizeHint().height()};
}

Sidebar::Section Sidebar::addSection(const QString &header) {
    Section section;
    section.root = new QWidget;
    auto *layout = new QVBoxLayout(section.root);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto *title = new QLabel(header);
    title->setFont(scaledFont(title->font(), 0.86, QFont::DemiBold));
    title->setForegroundRole(QPalette::PlaceholderText);
    title->setContentsMargins(4, 0, 4, 0);
    layout->addWidget(title);
    auto *body = new SectionBody;
    section.body = new QVBoxLayout(body);
    section.body->setContentsMargins(8, 6, 8, 6);
    section.body->setSpacing(4);
    layout->addWidget(body);
    section.footer = new QLabel;
    section.footer->setWordWrap(true);
    section.footer->setContentsMargins(4, 0, 4, 0);
    makeSecondary(section.footer);
    section.footer->hide();
    layout->addWidget(section.footer);
    m_column->addWidget(section.root);
    return section;
}

QLabel *Sidebar::addLibraryRow(QVBoxLayout *body, const QString &label) {
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *name = new QLabel(label);
    auto *value = new QLabel;
    value->setObjectName(label);
    value->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(name);
    layout->addStretch(1);
    layout->addWidget(value);
    body->addWidget(row);
    return value;
}

QString Sidebar::libraryValue(const QString &label) const {
    for (QLabel *value : {m_videos, m_shown, m_unknown}) {
        if (value->objectName() == label)
            return value->parentWidget()->isHidden() ? QString() : value->text();
    }
    return {};
}

void Sidebar::refreshTotal() {
    m_totalSize->setBytes(m_model->stats().knownBytes);
}

void Sidebar::refreshLibrary() {
    const LibraryStats &stats = m_model->stats();
    m_videos->setText(number(stats.totalCount));
    m_shown->setText(number(stats.visibleCount));
    m_shown->parentWidget()->setHidden(!m_model->hasActiveFilters());
    m_unknown->setText(number(stats.unknownSizeCount));
    m_unknown->parentWidget()->setHidden(stats.unknownSizeCount < 1);
    m_library.footer->setHidden(stats.unknownSizeCount < 1);
}

void Sidebar::refreshScanning() {
    m_scanning.root->setHidden(!m_model->isScanning());
    const bool counting = m_model->scanTotalCount() < 1;
    m_counting->setHidden(!counting);
    m_progressColumn->setHidden(counting);
    m_progress->setValue(int(std::clamp(m_model->scanProgress().value_or(0.0), 0.0, 1.0) * 1000));
    m_progressText->setText(
        Text::tr("%1 of %2")
            .arg(number(m_model->scanCompletedCount()), number(m_model->scanTotalCount())));
}

void Sidebar::refreshFilter() {
    const int index = m_sizeFilter->findData(int(m_model->sizeFilter()));
    if (index != m_sizeFilter->currentIndex())
        m_sizeFilter->setCurrentIndex(index);
    m_clearFilters->setHidden(!m_model->hasActiveFilters());
}

QString Sidebar::copyCheckText() const {
    if (m_checking->isHidden())
        return {};
    if (m_checkBytes->isHidden())
        return m_checkGroups->text();
    return m_checkGroups->text() + u' ' + m_checkBytes->text();
}

QString Sidebar::trashText() const {
    return m_trash.root->isHidden() ? QString() : m_trashText->text();
}

void Sidebar::refreshDuplicates() {
    const DuplicateSummary &duplicates = m_model->duplicates();
    const std::optional<VideoListViewModel::CopyCheck> &check = m_model->copyCheck();
    // Videos that only share a size are not copies: nothing of them shows until their content
    // has been read.
    const bool hasCopies = duplicates.groupCount() > 0;
    m_duplicates.root->setHidden(!hasCopies && !check);
    m_copies->setHidden(!hasCopies);
    m_copies->setCount(duplicates.videoCount);
    m_copies->setBytes(duplicates.reclaimableBytes);
    m_copies->setSelected(m_model->showsDuplicates());
    m_duplicates.footer->setText(Text::tr("Keeping the favourite or oldest copy in each of %Ln "
                                          "group(s) frees the space shown once the Trash is "
                                          "emptied.",
                                          nullptr, plural(duplicates.groupCount())));
    m_duplicates.footer->setHidden(!hasCopies);

    m_checking->setHidden(!check);
    if (check) {
        m_checkGroups->setText(
            Text::tr("Checking %Ln group(s) of same-size videos…", nullptr, plural(check->groups)));
        // Until the check has measured what it reads, a busy bar and no figures.
        const bool measured = check->totalBytes >= 1;
        const QString bytes =
            measured
                ? Text::tr("%1 of %2").arg(sizeText(check->doneBytes), sizeText(check->totalBytes))
                : QString();
        m_checkBytes->setText(bytes);
        m_checkBytes->setHidden(!measured);
        m_checkProgress->setAccessibleDescription(bytes);
        if (!measured) {
            m_checkProgress->setRange(0, 0);
        } else {
            m_checkProgress->setRange(0, 1000);
            m_checkProgress->setValue(int(std::clamp(
                double(check->doneBytes) / double(check->totalBytes) * 1000, 0.0, 1000.0)));
        }
    }
    m_selectExtraCopies->setToolTip(
        check ? Text::tr("Selects the extra copies once the check for identical copies ends.")
              : Text::tr("Selects every copy but the one kept in each group."));
}

void Sidebar::refreshSimilar() {
    const SimilarSummary &similar = m_model->similar();
    const std::optional<platform::FingerprintProgress> &reading = m_model->fingerprinting();
    m_similar.root->setHidden(similar.isEmpty() && !reading);
    m_similarRow->setHidden(similar.isEmpty());
    m_selectExtraSimilar->setHidden(similar.isEmpty());
    m_similarReading->setHidden(!reading);
    if (reading)
        m_similarReading->setText(
            Text::tr("Looking at %Ln new video(s) for similar copies: %1 done…", nullptr,
                     plural(reading->total))
                .arg(QLocale().toString(qlonglong(reading->done))));
    m_similarRow->setCount(similar.videoCount);
    m_similarRow->setBytes(similar.reclaimableBytes);
    m_similarRow->setSelected(m_model->showsSimilar());
    m_similarGroups->setHidden(similar.isEmpty());
    m_similarGroups->setText(Text::tr("In %Ln group(s); the space shown returns once the extra "
                                      "copies are in the Trash and it is emptied.",
                                      nullptr, plural(similar.groupCount())));
    // Its groups may change under the user while they are made again.
    m_selectExtraSimilar->setEnabled(!m_model->isGroupingSimilar());
}

QString Sidebar::fingerprintingText() const {
    return m_similarReading->isHidden() ? QString() : m_similarReading->text();
}

QString Sidebar::similarText() const {
    return m_similar.root->isHidden() ? QString() : m_similarGroups->text();
}

void Sidebar::refreshTrash() {
    const platform::LibraryTrash &trash = m_model->libraryTrash();
    m_trash.root->setHidden(trash.videos < 1);
    m_trashText->setText(Text::tr("In the Trash: %Ln video(s), %1", nullptr, plural(trash.videos))
                             .arg(sizeText(trash.bytes)));
}

void Sidebar::refreshDates() {
    const std::vector<DateBucket> &years = m_model->yearBuckets();
    m_dates.root->setHidden(years.empty());
    const DateFilter &filter = m_model->dateFilter();
    const std::optional<std::int64_t> expanded = m_model->expandedYear();
    m_back->setHidden(!expanded);

    QHash<QString, DateBucketRow *> previous = std::exchange(m_dateRowsByKey, {});
    std::vector<DateBucketRow *> rows;
    auto addRow = [&](const QString &key, const QString &title, std::int64_t count,
                      std::int64_t bytes, std::optional<double> fraction, bool selected,
                      bool disclosure, bool indented, auto action) {
        DateBucketRow *row = previous.take(key);
        if (!row) {
            row = new DateBucketRow;
            connect(row, &QAbstractButton::clicked, this, [this, row] {
                // Copied: the action may refresh the rows, and with them this map.
                const auto act = m_dateRowActions.value(row);
                if (m_model && act)
                    act(*m_model);
            });
        }
        row->setTitle(title);
        row->setCount(count);
        row->setBytes(bytes);
        row->setFraction(fraction);
        row->setSelected(selected);
        row->setShowsDisclosure(disclosure);
        row->setIndented(indented);
        m_dateRowActions.insert(row, action);
        m_dateRowsByKey.insert(key, row);
        rows.push_back(row);
    };
    const auto place = [&] {
        auto *layout = static_cast<QVBoxLayout *>(m_dateRowsBox->layout());
        for (DateBucketRow *row : m_dateRows)
            layout->removeWidget(row);
        for (DateBucketRow *row : std::as_const(previous)) {
            m_dateRowActions.remove(row);
            // A row may be refreshing from inside its own click; it goes once the click returns.
            row->hide();
            row->deleteLater();
        }
        for (DateBucketRow *row : rows) {
            layout->addWidget(row);
            row->show();
        }
        m_dateRows = std::move(rows);
    };

    if (!expanded) {
        const LibraryStats &stats = m_model->stats();
        addRow(u"all"_qs, Text::tr("All dates"), stats.totalCount, stats.knownBytes, std::nullopt,
               filter.isAll() && !m_model->showsDuplicates() && !m_model->showsSimilar(), false,
               false, [](VideoListViewModel &vm) { vm.select(DateFilter::all(), false); });
        std::int64_t largest = 0;
        for (const DateBucket &bucket : years)
            largest = std::max(largest, bucket.knownBytes);
        for (const DateBucket &bucket : years) {
            const std::int64_t year = bucket.year;
            addRow(QString::number(year), yearTitle(year), bucket.count, bucket.knownBytes,
                   relativeSize(bucket.knownBytes, largest), filter == DateFilter::year(year), true,
                   false, [year](VideoListViewModel &vm) { vm.selectYear(year); });
        }
    } else {
        const std::int64_t year = *expanded;
        const auto yearBucket = std::find_if(
            years.cbegin(), years.cend(), [year](const DateBucket &b) { return b.year == year; });
        addRow(QString::number(year), yearTitle(year),
               yearBucket != years.cend() ? yearBucket->count : 0,
               yearBucket != years.cend() ? yearBucket->knownBytes : 0, std::nullopt,
               filter == DateFilter::year(year), false, false,
               [year](VideoListViewModel &vm) { vm.selectYear(year); });
        const auto months = m_model->monthBucketsByYear().find(year);
        const std::vector<DateBucket> none;
        const std::vector<DateBucket> &buckets =
            months != m_model->monthBucketsByYear().cend() ? months->second : none;
        std::int64_t largest = 0;
        for (const DateBucket &bucket : buckets)
            largest = std::max(largest, bucket.knownBytes);
        for (const DateBucket &bucket : buckets) {
            const std::int64_t month = bucket.month.value_or(1);
            addRow(QString::number(year) + u'-' + QString::number(month), monthTitle(year, month),
                   bucket.count, bucket.knownBytes, relativeSize(bucket.knownBytes, largest),
                   filter == DateFilter::month(year, month), false, true,
                   [year, month](VideoListViewModel &vm) {
                       vm.select(DateFilter::month(year, month), false);
                   });
        }
    }
    place();
}

void Sidebar::refreshStatus() {
    m_actionSpinner->setVisible(m_model->isPerformingItemAction());
    m_status->setText(m_model->status().text());
    m_undo->setVisible(m_model->canUndoDeletion());
    m_undo->setEnabled(!m_model->isScanning() && !m_model->isPerformingItemAction());
}

} // namespace orsenta
