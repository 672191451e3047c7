// SPDX-License-Identifier: GPL-3.0-or-later
#include "videoitem.h"

#include "catalogcalendar.h"
#include "textkeys.h"

#include <QHashFunctions>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>

namespace orsenta {

VideoItem VideoItem::withFingerprint(const VideoFingerprint &fingerprint) const {
    FileFacts facts = fileFacts();
    facts.fingerprint = fingerprint;
    return rebuilt(isFavorite(), sizeState(), facts);
}

namespace {

// Text is kept one byte a character when it is all ASCII (identifiers and most file names),
// else as UTF-16; either form is lossless, and the choice depends only on the content, so
// two equal strings always have equal bytes.
struct CompactText {
    const void *data;
    std::uint32_t units;
    bool wide;

    static CompactText of(QStringView text) {
        const bool ascii =
            std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
        return {text.utf16(), static_cast<std::uint32_t>(text.size()), !ascii};
    }
    std::size_t bytes() const { return std::size_t(units) * (wide ? 2 : 1); }
};

constexpr std::size_t alignUp(std::size_t offset, std::size_t alignment) {
    return (offset + alignment - 1) / alignment * alignment;
}

} // namespace

// One allocation per record: the fixed fields, then the identifier and file name in compact
// form, then the UTF-8 keys. About 170 bytes for a typical record.
struct VideoItem::Block {
    // A copied record is a new record: its reference count starts afresh.
    struct RefCount {
        std::atomic<std::int32_t> count{1};
        RefCount() = default;
        RefCount(const RefCount &) noexcept {}
        RefCount &operator=(const RefCount &) = delete;
    };
    static_assert(sizeof(RefCount) == sizeof(std::int32_t)); // the record keeps its size

    RefCount ref;
    std::int32_t creationYear;
    FileFacts facts;
    Instant creationDate;
    double duration;
    std::int64_t pixelWidth;
    std::int64_t pixelHeight;
    std::int64_t sizeBytes;
    std::uint64_t namePrefix;
    std::uint32_t idUnits;
    std::uint32_t nameUnits;
    std::uint32_t nameKeyBytes;
    std::uint32_t searchKeyBytes;
    std::uint32_t idKeyBytes; // 0 when the identifier is ASCII and is its own key
    SizeState::Kind sizeKind;
    SizeSource sizeSource;
    std::uint8_t creationMonth;
    bool isFavorite;
    bool isScreenRecording;
    bool hasName;
    bool idWide;
    bool nameWide;

    const char *bytes() const { return reinterpret_cast<const char *>(this + 1); }
    char *bytes() { return reinterpret_cast<char *>(this + 1); }
    std::size_t idBytes() const { return std::size_t(idUnits) * (idWide ? 2 : 1); }
    std::size_t nameOffset() const { return alignUp(idBytes(), nameWide ? 2 : 1); }
    std::size_t nameBytes() const { return std::size_t(nameUnits) * (nameWide ? 2 : 1); }
    std::size_t nameKeyOffset() const { return nameOffset() + nameBytes(); }
    std::size_t searchKeyOffset() const { return nameKeyOffset() + nameKeyBytes; }
    std::size_t idKeyOffset() const { return searchKeyOffset() + searchKeyBytes; }
    std::size_t textBytes() const { return idKeyOffset() + idKeyBytes; }

    static QString textAt(const char *p, std::uint32_t units, bool wide) {
        if (wide)
            return QString(reinterpret_cast<const QChar *>(p), units);
        return QString::fromLatin1(p, units);
    }
    QString identifier() const { return textAt(bytes(), idUnits, idWide); }
    QString name() const { return textAt(bytes() + nameOffset(), nameUnits, nameWide); }

    SizeState sizeState() const {
        switch (sizeKind) {
        case SizeState::Kind::known:
            return SizeState::known(sizeBytes, sizeSource);
        case SizeState::Kind::unavailable:
            return SizeState::unavailable();
        case SizeState::Kind::failed:
            break;
        }
        return SizeState::failed();
    }

    static Block *allocate(std::size_t textBytes) {
        static_assert(alignof(Block) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
        void *memory = ::operator new(sizeof(Block) + textBytes);
        return new (memory) Block;
    }
    // The same fields and text with a reference count of its own.
    static Block *copyOf(const Block &other) {
        void *memory = ::operator new(sizeof(Block) + other.textBytes());
        Block *copy = new (memory) Block(other);
        std::memcpy(copy->bytes(), other.bytes(), other.textBytes());
        return copy;
    }
    void retain() { ref.count.fetch_add(1, std::memory_order_relaxed); }
    void release() {
        if (ref.count.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            this->~Block();
            ::operator delete(this);
        }
    }
    void setSize(SizeState state) {
        sizeKind = state.kind();
        sizeBytes = state.isKnown() ? state.bytes() : 0;
        sizeSource = state.isKnown() ? state.source() : SizeSource{};
    }

    static Block *emptyRecord() {
        // Shared by default-constructed and moved-from records; its own reference keeps it alive.
        static Block *const empty = [] {
            VideoItem item(u"", std::nullopt, distantPast, 0, 0, 0, false, false,
                           SizeState::unavailable());
            Block *block = item.m_block;
            block->retain();
            return block;
        }();
        return empty;
    }
};

VideoItem::VideoItem()
    : m_block(Block::emptyRecord()) {
    m_block->retain();
}

VideoItem::VideoItem(QStringView localIdentifier, std::optional<QStringView> resourceFilename,
                     Instant creationDate, double duration, std::int64_t pixelWidth,
                     std::int64_t pixelHeight, bool isFavorite, bool isScreenRecording,
                     SizeState sizeState, FileFacts fileFacts) {
    const QStringView name = resourceFilename ? *resourceFilename : localIdentifier;
    const CompactText id = CompactText::of(localIdentifier);
    const CompactText file = CompactText::of(resourceFilename.value_or(QStringView()));
    const QByteArray nameKey = nameSortKey(name);
    const QByteArray search = searchFold(name);
    const QByteArray idKey = id.wide ? scalarOrderKey(localIdentifier) : QByteArray();

    Block probe;
    probe.idUnits = id.units;
    probe.idWide = id.wide;
    probe.nameUnits = file.units;
    probe.nameWide = file.wide;
    probe.nameKeyBytes = std::uint32_t(nameKey.size());
    probe.searchKeyBytes = std::uint32_t(search.size());
    probe.idKeyBytes = std::uint32_t(idKey.size());

    Block *b = Block::allocate(probe.textBytes());
    b->idUnits = probe.idUnits;
    b->idWide = probe.idWide;
    b->nameUnits = probe.nameUnits;
    b->nameWide = probe.nameWide;
    b->nameKeyBytes = probe.nameKeyBytes;
    b->searchKeyBytes = probe.searchKeyBytes;
    b->idKeyBytes = probe.idKeyBytes;
    b->hasName = resourceFilename.has_value();
    b->creationDate = creationDate;
    b->duration = duration;
    b->pixelWidth = pixelWidth;
    b->pixelHeight = pixelHeight;
    b->isFavorite = isFavorite;
    b->isScreenRecording = isScreenRecording;
    b->setSize(sizeState);
    b->facts = std::move(fileFacts);
    const YearMonth ym = yearMonthOf(creationDate);
    b->creationYear = std::int32_t(ym.year);
    b->creationMonth = std::uint8_t(ym.month);
    b->namePrefix = bigEndianPrefix(nameKey);

    char *out = b->bytes();
    const auto put = [](char *dst, const CompactText &text) {
        if (text.wide) {
            std::memcpy(dst, text.data, text.bytes());
        } else {
            const auto *src = static_cast<const char16_t *>(text.data);
            std::transform(src, src + text.units, dst, [](char16_t c) { return char(c); });
        }
    };
    put(out, id);
    put(out + b->nameOffset(), file);
    std::memcpy(out + b->nameKeyOffset(), nameKey.constData(), nameKey.size());
    std::memcpy(out + b->searchKeyOffset(), search.constData(), search.size());
    std::memcpy(out + b->idKeyOffset(), idKey.constData(), idKey.size());
    m_block = b;
}

VideoItem::VideoItem(const VideoItem &other) noexcept
    : m_block(other.m_block) {
    m_block->retain();
}

VideoItem::VideoItem(VideoItem &&other) noexcept
    : m_block(Block::emptyRecord()) {
    m_block->retain();
    std::swap(m_block, other.m_block);
}

VideoItem &VideoItem::operator=(const VideoItem &other) noexcept {
    other.m_block->retain();
    m_block->release();
    m_block = other.m_block;
    return *this;
}

VideoItem &VideoItem::operator=(VideoItem &&other) noexcept {
    std::swap(m_block, other.m_block);
    return *this;
}

VideoItem::~VideoItem() {
    m_block->release();
}

QString VideoItem::localIdentifier() const {
    return m_block->identifier();
}

std::optional<QString> VideoItem::resourceFilename() const {
    if (!m_block->hasName)
        return std::nullopt;
    return m_block->name();
}

Instant VideoItem::creationDate() const {
    return m_block->creationDate;
}
double VideoItem::duration() const {
    return m_block->duration;
}
std::int64_t VideoItem::pixelWidth() const {
    return m_block->pixelWidth;
}
std::int64_t VideoItem::pixelHeight() const {
    return m_block->pixelHeight;
}
bool VideoItem::isFavorite() const {
    return m_block->isFavorite;
}
bool VideoItem::isScreenRecording() const {
    return m_block->isScreenRecording;
}
SizeState VideoItem::sizeState() const {
    return m_block->sizeState();
}
const FileFacts &VideoItem::fileFacts() const {
    return m_block->facts;
}
std::int64_t VideoItem::freedBytes() const {
    if (m_block->sizeKind != SizeState::Kind::known)
        return 0;
    return m_block->facts.freedBytes >= 0 ? m_block->facts.freedBytes : m_block->sizeBytes;
}
std::int64_t VideoItem::creationYear() const {
    return m_block->creationYear;
}
std::int64_t VideoItem::creationMonth() const {
    return m_block->creationMonth;
}

QString VideoItem::displayName() const {
    return m_block->hasName ? m_block->name() : m_block->identifier();
}

QByteArrayView VideoItem::nameKey() const {
    return {m_block->bytes() + m_block->nameKeyOffset(), qsizetype(m_block->nameKeyBytes)};
}

std::uint64_t VideoItem::namePrefix() const {
    return m_block->namePrefix;
}

QByteArrayView VideoItem::searchKey() const {
    return {m_block->bytes() + m_block->searchKeyOffset(), qsizetype(m_block->searchKeyBytes)};
}

QByteArrayView VideoItem::identifierKey() const {
    if (m_block->idKeyBytes == 0)
        return {m_block->bytes(), qsizetype(m_block->idUnits)};
    return {m_block->bytes() + m_block->idKeyOffset(), qsizetype(m_block->idKeyBytes)};
}

VideoItem VideoItem::rebuilt(bool isFavorite, SizeState sizeState, const FileFacts &facts) const {
    // Same fields but one, so the text and the derived keys and date parts carry over as bytes.
    Block *b = Block::copyOf(*m_block);
    b->isFavorite = isFavorite;
    b->setSize(sizeState);
    b->facts = facts;
    return VideoItem(b);
}

VideoItem VideoItem::withFavorite(bool isFavorite) const {
    return rebuilt(isFavorite, sizeState(), fileFacts());
}

VideoItem VideoItem::withSizeState(SizeState sizeState) const {
    return rebuilt(isFavorite(), sizeState, fileFacts());
}

VideoItem VideoItem::withContentChecked(const QByteArray &digest) const {
    FileFacts facts = fileFacts();
    facts.contentChecked = true;
    facts.contentDigest = digest;
    return rebuilt(isFavorite(), sizeState(), facts);
}

namespace {

// IEEE equality, except that NaN equals NaN so that a record always equals itself.
bool sameDuration(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

} // namespace

bool operator==(const VideoItem &a, const VideoItem &b) {
    const VideoItem::Block &x = *a.m_block;
    const VideoItem::Block &y = *b.m_block;
    if (&x == &y)
        return true;
    return x.creationDate == y.creationDate && sameDuration(x.duration, y.duration)
           && x.pixelWidth == y.pixelWidth && x.pixelHeight == y.pixelHeight
           && x.isFavorite == y.isFavorite && x.isScreenRecording == y.isScreenRecording
           && x.sizeState() == y.sizeState() && x.facts == y.facts
           && x.creationYear == y.creationYear && x.creationMonth == y.creationMonth
           && x.hasName == y.hasName && x.idWide == y.idWide && x.idUnits == y.idUnits
           && x.nameWide == y.nameWide && x.nameUnits == y.nameUnits
           && std::memcmp(x.bytes(), y.bytes(), x.idBytes()) == 0
           && std::memcmp(x.bytes() + x.nameOffset(), y.bytes() + y.nameOffset(), x.nameBytes())
                  == 0;
}

std::size_t qHash(const VideoItem &item, std::size_t seed) noexcept {
    double duration = item.duration();
    if (duration == 0)
        duration = 0; // minus zero hashes as zero
    if (std::isnan(duration))
        duration = std::numeric_limits<double>::quiet_NaN();
    const std::optional<QString> name = item.resourceFilename();
    return qHashMulti(seed, item.localIdentifier(), name.has_value(), name.value_or(QString()),
                      item.creationDate().time_since_epoch().count(),
                      std::bit_cast<std::uint64_t>(duration), item.pixelWidth(), item.pixelHeight(),
                      item.isFavorite(), item.isScreenRecording(), item.sizeState(),
                      item.creationYear(), item.creationMonth());
}

} // namespace orsenta
