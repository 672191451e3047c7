// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Values that pass between the photo library service and a photo-library platform.

#include "model/filefacts.h"
#include "model/instant.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace orsenta::platform {

enum class AuthorizationStatus { notDetermined, restricted, denied, authorized, limited };

// An error as the platform reports it. Code 3072 in any domain means the user cancelled.
struct PlatformError {
    QString domain;
    std::int64_t code = 0;
    QString description; // already localized, shown to the user as it is
};

inline constexpr std::int64_t userCancelledErrorCode = 3072;

// --- Optional members -------------------------------------------------------------------------
// Some members of platform objects exist only on some platforms, or only in some versions, and
// may have another type than expected. A reader looks a member up and checks its type before
// using it; a missing or mistyped member is never an error.

class MemberSet;

struct NumberObject {
    double value = 0;
};
// An object of a class outside the platform's root object class.
struct ForeignObject {
    QString className;
};
using ObjectValue = std::variant<std::nullptr_t, QString, NumberObject, QStringList,
                                 std::shared_ptr<const MemberSet>, ForeignObject>;

enum class ValueType { object, unsignedInteger, signedInteger, float64, float32, none, other };

struct ObjectMember {
    ObjectValue value;
};
struct UnsignedMember {
    std::uint64_t value = 0;
};
struct SignedMember {
    std::int64_t value = 0;
};
struct DoubleMember {
    double value = 0;
};
struct FloatMember {
    float value = 0;
};
// A member the object answers to but whose method or signature cannot be read, or whose return
// type is none of the above (a structure, a selector): readers never call it.
struct OpaqueMember {};
// A method with arguments. `argumentCount` counts the receiver and the selector, as the
// platform's runtime does, so a one-argument setter has 3.
struct MethodMember {
    int argumentCount = 3;
    ValueType returns = ValueType::none;
    ValueType argument = ValueType::object;
    std::function<void(const ObjectValue &)> invoke;
};

using Member = std::variant<ObjectMember, UnsignedMember, SignedMember, DoubleMember, FloatMember,
                            OpaqueMember, MethodMember>;

class MemberSet {
public:
    void set(const QString &name, Member member) {
        m_members.insert_or_assign(name, std::move(member));
    }
    void remove(const QString &name) { m_members.erase(name); }
    const Member *find(const QString &name) const {
        const auto it = m_members.find(name);
        return it == m_members.end() ? nullptr : &it->second;
    }
    bool isEmpty() const { return m_members.empty(); }

private:
    std::map<QString, Member> m_members;
};

// The names of the optional members the service reads.
namespace members {
inline const QString originalFilename = QStringLiteral("originalFilename");
inline const QString fileSize = QStringLiteral("px_fileSize");
inline const QString originalMetadataProperties = QStringLiteral("originalMetadataProperties");
inline const QString originalFilesize = QStringLiteral("originalFilesize");
inline const QString addFetchPropertySets = QStringLiteral("addFetchPropertySets");
inline const QString originalMetadataPropertySet =
    QStringLiteral("PHAssetPropertySetOriginalMetadata");
} // namespace members

// --- Assets and resources -----------------------------------------------------------------------

inline constexpr std::uint64_t screenRecordingSubtype = std::uint64_t(1) << 19;

struct PlatformAsset {
    QString localIdentifier;
    std::optional<Instant> creationDate;
    double duration = 0;
    std::int64_t pixelWidth = 0;
    std::int64_t pixelHeight = 0;
    bool isFavorite = false;
    std::uint64_t mediaSubtypes = 0;
    MemberSet members; // optional members: file name, library-held size, original metadata
    FileFacts file;    // where the library keeps files: what the file system says of this one
};
using AssetPtr = std::shared_ptr<const PlatformAsset>;

namespace resourcetype {
inline constexpr int photo = 1;
inline constexpr int video = 2;
inline constexpr int audio = 3;
inline constexpr int fullSizeVideo = 6;
} // namespace resourcetype

struct AssetResource {
    QString assetLocalIdentifier;
    int type = resourcetype::video;
    QString originalFilename;
    std::optional<std::int64_t> dataSize; // only where the platform reports resource data sizes
};

// An ordered fetch that stays stable while it is held.
class AssetFetchResult {
public:
    virtual ~AssetFetchResult() = default;
    virtual std::int64_t count() const = 0;
    virtual AssetPtr at(std::int64_t index) const = 0;
};

// Options for the ordered fetch of video assets, newest first. `members` may offer optional
// setters such as addFetchPropertySets, which the platform that made the options answers.
struct FetchOptions {
    int mediaType = 2; // video
    bool newestFirst = true;
    MemberSet members;
};

// --- Media and images ---------------------------------------------------------------------------

// What the platform hands back for a video: a file-backed asset has a file path.
struct MediaAsset {
    QString filePath;
    bool fileBacked = false;
    bool playable = false;
    double duration = 0; // seconds; NaN or infinite when undefined
};

enum class VideoDeliveryMode { automatic = 0, highQuality = 1, mediumQuality = 2, fastFormat = 3 };
enum class VideoVersion { current = 0, original = 1 };

struct VideoRequestOptions {
    bool networkAccessAllowed = false;
    VideoDeliveryMode deliveryMode = VideoDeliveryMode::automatic;
    VideoVersion version = VideoVersion::current;
};

struct MediaResultInfo {
    std::optional<PlatformError> error;
};
using MediaHandler = std::function<void(std::optional<MediaAsset>, MediaResultInfo)>;

enum class ImageDeliveryMode { opportunistic = 0, highQuality = 1, fastFormat = 2 };
enum class ImageResizeMode { none = 0, fast = 1, exact = 2 };
enum class ContentMode { aspectFit = 0, aspectFill = 1 };

struct ImageRequestOptions {
    ImageDeliveryMode deliveryMode = ImageDeliveryMode::highQuality;
    ImageResizeMode resizeMode = ImageResizeMode::fast;
    bool networkAccessAllowed = false;
};

struct ImageResultInfo {
    bool degraded = false;
    bool cancelled = false;
    std::optional<PlatformError> error;
};
// May be called more than once (degraded images first) and on any thread.
using ImageHandler = std::function<void(std::optional<QImage>, ImageResultInfo)>;

using RequestId = std::int64_t;

// --- Changes ------------------------------------------------------------------------------------

// One change block: deletions, or favourite flags, performed together with one completion.
struct ChangeRequest {
    std::vector<AssetPtr> deletions;
    std::vector<std::pair<AssetPtr, bool>> favorites;
};
// What a change block achieved. Moving files to a trash may succeed for only some of them (one
// changed since the scan, a mount without a trash): `deleted` then names those that went, and
// `error` says why the others stayed.
struct ChangeOutcome {
    bool success = false;
    std::optional<PlatformError> error;
    std::optional<QStringList> deleted; // absent: all the requested deletions, on success
};
using ChangeCompletion = std::function<void(ChangeOutcome outcome)>;

struct ResourceRequestOptions {
    bool networkAccessAllowed = false;
};
using WriteCompletion = std::function<void(std::optional<PlatformError> error)>;

using ObserverId = std::int64_t;

// A library folder the last scan could not read: its videos stay in the index, with their
// identifiers and favourites, until it is back.
struct AbsentFolder {
    QString path;
    std::int64_t videos = 0; // indexed videos inside it
    bool missing = false;    // not there at all (deleted, or a drive not connected), not unreadable
    friend bool operator==(const AbsentFolder &, const AbsentFolder &) = default;
};

// What kept the library from being read or remembered whole, for the window to say.
struct LibraryCondition {
    QString indexProblem; // empty while the index works as it should
    std::vector<AbsentFolder> absentFolders;
    friend bool operator==(const LibraryCondition &, const LibraryCondition &) = default;
};

// --- Identical copies and the Trash --------------------------------------------------------------

// How far a check for identical copies has read.
struct ContentCheckProgress {
    std::int64_t doneBytes = 0;
    std::int64_t totalBytes = 0;
};
// Per identifier that was checked: the digest of its whole content, or empty when no other
// video of its group has its bytes (or it could not be read whole, or changed while read).
using ContentDigests = std::map<QString, QByteArray>;

// How many videos a fingerprinting pass has read of those it has to.
struct FingerprintProgress {
    std::int64_t done = 0;
    std::int64_t total = 0;
    friend bool operator==(const FingerprintProgress &, const FingerprintProgress &) = default;
};
// Per identifier that was fingerprinted: what its video looks like.
using VideoFingerprints = std::map<QString, VideoFingerprint>;

// What of this library waits in the Trash, where the user can restore it or empty it.
struct LibraryTrash {
    std::int64_t videos = 0;
    std::int64_t bytes = 0; // allocated bytes, given back when the Trash is emptied
    friend bool operator==(const LibraryTrash &, const LibraryTrash &) = default;
};

// What came of putting the last deletion back from the Trash.
struct RestoreOutcome {
    QStringList restored; // identifiers back in the library, with their favourites
    QStringList stayed;   // identifiers left in the Trash
    // One line for each video that stayed: its name and why (its place is taken again, its
    // Trash entry is gone).
    QString message;
};

} // namespace orsenta::platform
