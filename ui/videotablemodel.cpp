// SPDX-License-Identifier: GPL-3.0-or-later
#include "videotablemodel.h"

#include "model/displaytext.h"
#include "viewmodel/videolistviewmodel.h"

#include <QLocale>

#include <algorithm>
#include <utility>

namespace orsenta {

namespace {

QByteArray keyOf(const QString &identifier) {
    return identifier.normalized(QString::NormalizationForm_C).toUtf8();
}

} // namespace

VideoTableModel::VideoTableModel(VideoListViewModel *model, QObject *parent)
    : QAbstractTableModel(parent)
    , m_model(model)
    , m_rows(model->visibleItems()) {
    recomputePeak();
    // The view model publishes the list before it says whether it is a new set, so a refresh
    // waits for the end of the current event: a new set arriving meanwhile makes it moot.
    connect(model, &VideoListViewModel::visibleItemsChanged, this, [this] {
        if (m_updatePending)
            return;
        m_updatePending = true;
        QMetaObject::invokeMethod(this, &VideoTableModel::applyPendingUpdate, Qt::QueuedConnection);
    });
    connect(model, &VideoListViewModel::rowSetIdentityChanged, this, &VideoTableModel::replaceRows);
    const auto badgesChanged = [this] {
        if (!m_rows.empty())
            Q_EMIT dataChanged(index(0, int(Column::video)),
                               index(rowCount() - 1, int(Column::video)),
                               {Qt::DisplayRole, Qt::AccessibleDescriptionRole});
    };
    connect(model, &VideoListViewModel::duplicatesChanged, this, badgesChanged);
    connect(model, &VideoListViewModel::similarChanged, this, badgesChanged);
    // Only the start and the end of the check change a badge, not each step of its progress.
    m_checkingCopies = model->copyCheck().has_value();
    connect(model, &VideoListViewModel::copyCheckChanged, this, [this, badgesChanged] {
        const bool checking = m_model && m_model->copyCheck().has_value();
        if (std::exchange(m_checkingCopies, checking) != checking)
            badgesChanged();
    });
}

int VideoTableModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int VideoTableModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(Column::Count);
}

Qt::ItemFlags VideoTableModel::flags(const QModelIndex &index) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QVariant VideoTableModel::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const VideoItem &record = item(index.row());
    const auto column = Column(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        switch (column) {
        case Column::video:
            return record.displayName();
        case Column::size:
            return sizeText(record.sizeState().knownBytes());
        case Column::duration:
            return videoLengthText(record.duration());
        case Column::resolution:
            return resolutionLabel(record.pixelWidth(), record.pixelHeight());
        case Column::created:
            return shortDateText(record.creationDate());
        case Column::Count:
            break;
        }
        break;
    case SortRole:
        switch (column) {
        case Column::video:
            return record.displayName();
        case Column::size:
            if (const auto bytes = record.sizeState().knownBytes())
                return qint64(*bytes);
            return {};
        case Column::duration:
            return record.duration();
        case Column::resolution:
            return qint64(record.pixelWidth() * record.pixelHeight());
        case Column::created:
            return qint64(record.creationDate().time_since_epoch().count());
        case Column::Count:
            break;
        }
        break;
    case Qt::AccessibleDescriptionRole:
        if (column == Column::video) {
            QString description = tr("Thumbnail for %1").arg(record.displayName());
            if (record.isFavorite())
                description += QStringLiteral(", ") + tr("Favorite");
            for (const Badge &badge : badges(record))
                description += QStringLiteral(", ") + badge.text;
            return description;
        }
        if (column == Column::resolution && record.pixelWidth() >= 1 && record.pixelHeight() >= 1)
            return record.pixelWidth() < record.pixelHeight() ? tr("Portrait") : tr("Landscape");
        break;
    case IdentifierRole:
        return record.localIdentifier();
    case Qt::ToolTipRole:
        switch (column) {
        case Column::video:
            return record.displayName();
        case Column::resolution:
            return dimensionsText(record.pixelWidth(), record.pixelHeight());
        case Column::created:
            return longDateText(record.creationDate());
        default:
            break;
        }
        break;
    case Qt::TextAlignmentRole:
        if (column == Column::size || column == Column::duration)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::DecorationRole:
        if (column == Column::video && m_thumbnailSource) {
            QImage image = m_thumbnailSource(record);
            if (!image.isNull())
                return image;
        }
        break;
    default:
        break;
    }
    return {};
}

QVariant VideoTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= int(Column::Count))
        return {};
    if (role == Qt::DisplayRole) {
        switch (Column(section)) {
        case Column::video:
            return tr("Video");
        case Column::size:
            return tr("Size");
        case Column::duration:
            return tr("Duration");
        case Column::resolution:
            return tr("Resolution");
        case Column::created:
            return tr("Created");
        case Column::Count:
            break;
        }
    }
    if (role == Qt::TextAlignmentRole) {
        const auto column = Column(section);
        if (column == Column::size || column == Column::duration)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return {};
}

int VideoTableModel::row(const QString &identifier) const {
    const QByteArray key = keyOf(identifier);
    return row(QByteArrayView(key));
}

int VideoTableModel::row(QByteArrayView identifierKey) const {
    if (m_rowIndexStale) {
        m_rowByKey.clear();
        m_rowByKey.reserve(qsizetype(m_rows.size()));
        for (std::size_t i = 0; i < m_rows.size(); ++i)
            m_rowByKey.insert(m_rows[i].identifierKey(), int(i));
        m_rowIndexStale = false;
    }
    return m_rowByKey.value(identifierKey, -1);
}

std::optional<std::int64_t> VideoTableModel::duplicateCount(const VideoItem &record) const {
    if (!m_model)
        return std::nullopt;
    return m_model->duplicates().copiesOf(record);
}

std::vector<VideoTableModel::Badge> VideoTableModel::badges(const VideoItem &record) const {
    std::vector<Badge> shown;
    if (record.isScreenRecording())
        shown.push_back({Badge::Kind::screenRecording, tr("Screen recording")});
    if (!m_model)
        return shown;
    const DuplicateSummary &duplicates = m_model->duplicates();
    if (const auto copies = duplicateCount(record)) {
        shown.push_back(
            {Badge::Kind::copies, tr("Copies ×%1").arg(QLocale().toString(qlonglong(*copies)))});
        if (const auto reason = duplicates.keeperReason(record))
            shown.push_back({Badge::Kind::keeper, keeperText(*reason)});
    } else if (m_model->copyCheck() && duplicates.isUnchecked(record)) {
        shown.push_back({Badge::Kind::checking, tr("Checking…")});
    }
    const SimilarSummary &similar = m_model->similar();
    const QString id = record.localIdentifier();
    if (const SimilarGroup *group = similar.groupFor(id)) {
        shown.push_back({Badge::Kind::similar,
                         tr("Similar ×%1").arg(QLocale().toString(group->identifiers.size()))});
        if (const auto reason = similar.keeperReason(id))
            shown.push_back({Badge::Kind::keeper, similarKeeperText(*reason)});
    }
    return shown;
}

QString VideoTableModel::similarKeeperText(SimilarKeeperReason reason) {
    return tr("Kept: %1").arg(similarKeeperReasonText(reason));
}

QString VideoTableModel::similarKeeperReasonText(SimilarKeeperReason reason) {
    switch (reason) {
    case SimilarKeeperReason::favourite:
        return tr("favourite");
    case SimilarKeeperReason::mostPixels:
        return tr("largest picture");
    case SimilarKeeperReason::higherBitRate:
        return tr("higher bit rate");
    case SimilarKeeperReason::oldest:
        return tr("oldest");
    case SimilarKeeperReason::firstOfEquals:
        break;
    }
    return tr("first of equals");
}

QString VideoTableModel::keeperText(KeeperReason reason) {
    switch (reason) {
    case KeeperReason::favourite:
        return tr("Kept: favourite");
    case KeeperReason::oldest:
        return tr("Kept: oldest");
    case KeeperReason::originalName:
        return tr("Kept: original name");
    case KeeperReason::earliestFile:
        return tr("Kept: earliest file");
    case KeeperReason::shortestPath:
        return tr("Kept: shortest path");
    case KeeperReason::firstOfEquals:
        return tr("Kept: first of equals");
    }
    return {};
}

void VideoTableModel::thumbnailChanged(int row) {
    if (row < 0 || row >= rowCount())
        return;
    const QModelIndex cell = index(row, int(Column::video));
    Q_EMIT dataChanged(cell, cell, {Qt::DecorationRole});
}

void VideoTableModel::recomputePeak() {
    std::int64_t peak = 0;
    for (const VideoItem &record : m_rows) {
        const SizeState size = record.sizeState();
        if (size.isKnown())
            peak = std::max(peak, size.bytes());
    }
    m_peakBytes = peak;
}

void VideoTableModel::replaceRows() {
    m_updatePending = false;
    if (!m_model)
        return;
    beginResetModel();
    m_rows = m_model->visibleItems();
    invalidateRowIndex();
    m_rowByKey.clear();
    recomputePeak();
    endResetModel();
    Q_EMIT rowSetReplaced();
}

void VideoTableModel::applyPendingUpdate() {
    if (!m_updatePending)
        return;
    m_updatePending = false;
    if (m_model)
        updateRows();
}

void VideoTableModel::updateRows() {
    const std::vector<VideoItem> &next = m_model->visibleItems();
    const std::int64_t oldPeak = m_peakBytes;
    const bool sameSequence = next.size() == m_rows.size()
                              && std::equal(next.begin(), next.end(), m_rows.begin(),
                                            [](const VideoItem &a, const VideoItem &b) {
                                                return a.identifierKey() == b.identifierKey();
                                            });
    if (sameSequence) {
        // The same rows in the same places: only their contents may differ.
        std::size_t first = 0;
        while (first < next.size() && next[first] == m_rows[first])
            ++first;
        if (first == next.size())
            return;
        std::size_t last = next.size() - 1;
        while (last > first && next[last] == m_rows[last])
            --last;
        m_rows = next;
        invalidateRowIndex();
        recomputePeak();
        // Every bar is drawn against the peak, so a new peak changes the whole size column.
        if (m_peakBytes != oldPeak)
            Q_EMIT dataChanged(index(0, int(Column::size)),
                               index(rowCount() - 1, int(Column::size)));
        Q_EMIT dataChanged(index(int(first), 0), index(int(last), columnCount() - 1));
        return;
    }

    // Rows came, went or moved. New rows are first appended, then everything is put in place in
    // one layout change that carries each persistent index to its record's new row, and the
    // surplus at the end is removed: the view keeps its selection and scroll position.
    const std::size_t oldCount = m_rows.size();
    const std::size_t newCount = next.size();
    if (newCount > oldCount) {
        beginInsertRows({}, int(oldCount), int(newCount) - 1);
        m_rows.insert(m_rows.end(), next.begin() + qsizetype(oldCount), next.end());
        invalidateRowIndex();
        endInsertRows();
    }

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::NoLayoutChangeHint);
    QHash<QByteArrayView, int> nextRowByKey;
    nextRowByKey.reserve(qsizetype(newCount));
    for (std::size_t i = 0; i < newCount; ++i)
        nextRowByKey.insert(next[i].identifierKey(), int(i));
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &index : from) {
        const int target = nextRowByKey.value(item(index.row()).identifierKey(), -1);
        to.append(target < 0 ? QModelIndex() : createIndex(target, index.column()));
    }
    // Rows past the new end only wait for their removal; nothing points at them any more.
    std::vector<VideoItem> arranged = next;
    arranged.insert(arranged.end(), m_rows.begin(),
                    m_rows.begin() + qsizetype(m_rows.size() - newCount));
    m_rows = std::move(arranged);
    changePersistentIndexList(from, to);
    invalidateRowIndex();
    recomputePeak();
    Q_EMIT layoutChanged({}, QAbstractItemModel::NoLayoutChangeHint);

    if (m_rows.size() > newCount) {
        beginRemoveRows({}, int(newCount), int(m_rows.size()) - 1);
        m_rows.resize(newCount);
        invalidateRowIndex();
        endRemoveRows();
    }
    recomputePeak();
}

} // namespace orsenta
