// ReadUdfVolume: from the anchor to the root directory, with the fallbacks
// that discs of packet-writing programs need (reserve sequence, fixed
// layouts, backward then forward VAT search, an earlier VAT, the file set
// descriptor searched for, and the block scan).
#include <array>

#include "diag/fs/readers.h"
#include "diag/fs/udf/udf_layout.h"
#include "diag/fs/udf/udf_reader.h"
#include "diag/fs/udf/udf_state.h"
#include "diag/fs/udf/udf_volume.h"
#include "diag/fs/udf/used_block_bitmap.h"
#include "diag/state/options.h"
#include "diag/state/pane_hooks.h"
#include "diag/state/volume_label.h"
#include "diag/tools/debug_log.h"
#include "diag/tools/format_text.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

using namespace udf;

// Each pass either reads a tree or starts the retry with an earlier VAT,
// which ends the passes; the bound only guards against a loop.
constexpr int kMaxAllocationPasses = 4;

std::int32_t PartitionStart() {
    return State().partitionKnown ? State().partitionStart : 0;
}

bool IsFileSet(std::span<const std::uint8_t> block) {
    const std::uint16_t id = TagId(block);
    return id == tag::kFileSet || id == tag::kCompressedFileSet;
}

class VolumeReading {
public:
    VolumeReading(TrackInfo& track, std::span<std::uint8_t, 2048> buffer)
        : track_(track), buffer_(buffer), state_(State()) {}

    bool Run() {
        if (!IsPacket(track_) && (track_.flags & track_flags::kIso9660) != 0 &&
            HoldsOtherThanAnchorAt256()) {
            track_.udfStatus = 'i';
            return false;
        }
        bool cancelled = false;
        const Anchor anchor = FindAnchor(track_, buffer_, cancelled);
        if (cancelled) {
            return false;
        }
        if (anchor.found ? !ReadSequences(anchor) : !TakeLayoutWithoutAnchor(anchor)) {
            return false;
        }
        LimitVolumeEnd();
        StatusText(173, track_.track, descriptors_.label);
        if (!ReadTree()) {
            return false;
        }
        track_.flags = (track_.flags & ~track_flags::kIso9660) | track_flags::kUdf;
        return true;
    }

private:
    enum class Pass { Root, RootAlone, Repeat, GiveUp };
    enum class Allocation { Found, NotFound, IsoBridge };

    // A short ISO 9660 track has no block 256; that is no error to show.
    bool HoldsOtherThanAnchorAt256() {
        QuietReads quiet;
        return ReadBlocks(256, buffer_) && !(IsValidTag(buffer_, tag::kAnchor) &&
                                             Block32(buffer_, tag_field::kLocation) == 256);
    }

    bool ReadSequences(const Anchor& anchor) {
        if (DebugOn()) {
            DebugLog("Located track %d AVDP at %d pointing to %d for %d bytes", track_.track,
                     anchor.block, anchor.main.location, anchor.mainBytes);
        }
        TrackInfo* next = NextTrack(track_);
        if (anchor.main.location >= track_.end && next != nullptr && IsDataTrack(*next) &&
            IsIncremental(*next)) {
            next->flags |= track_flags::kContinuation;
            track_.end = next->end;
        }
        Extent sequence = anchor.main;
        bool reserveLeft = true;
        for (;;) {
            const SequenceResult result =
                ReadVolumeSequence(sequence, track_, buffer_, descriptors_);
            if (result != SequenceResult::Read) {
                return false;
            }
            TrackInfo& first = FirstTrack(track_);
            if ((first.flags & udf_track_flags::kSparableMap) != 0 &&
                state_.map.kind == MapTable::Kind::None) {
                first.flags |= track_flags::kUdfSparableWithoutTable;
            }
            if (descriptors_.complete()) {
                return true;
            }
            if (!reserveLeft) {
                break;
            }
            reserveLeft = false;
            sequence = anchor.reserve;
            if (DebugOn()) {
                DebugLog("Switching to reserve VRS at %d for %d", sequence.location,
                         sequence.blocks);
            }
            if (sequence.blocks == 0) {
                sequence.blocks = 16;
            }
        }
        if (DebugOn()) {
            DebugLog("Error reading last VRS, trying to proceed.");
        }
        return &FirstTrack(track_) == &track_ && TakeFixedLayout(track_, descriptors_, false);
    }

    bool TakeLayoutWithoutAnchor(const Anchor& anchor) {
        track_.udfStatus = 'j';
        if (!anchor.readFailed || &FirstTrack(track_) != &track_) {
            return false;
        }
        return TakeErasableLayout(track_, descriptors_) ||
               TakeFixedLayout(track_, descriptors_, true);
    }

    void LimitVolumeEnd() {
        state_.volumeEnd = state_.partitionStart + state_.partitionLength;
        TrackInfo* next = NextTrack(track_);
        if (next == nullptr) {
            return;
        }
        const TrackInfo* after =
            (next->flags & track_flags::kContinuation) != 0 ? next->next : next;
        if (after != nullptr && state_.volumeEnd > after->start) {
            track_.flags |= track_flags::kUdfBeyondNextTrack;
            if (Options().acceptErrors == 0) {
                state_.volumeEnd = after->start;
            }
        }
    }

    bool ReadTree() {
        for (int pass = 0; pass < kMaxAllocationPasses; ++pass) {
            if (!ReadRoot()) {
                return false;
            }
            const std::uint32_t found =
                track_.flags & (track_flags::kUdfAllocationNotFound | track_flags::kUdfVatBySearch);
            // A root read without fault that holds nothing is an empty
            // volume (freshly formatted, or emptied by its last session), not
            // a damaged table: an earlier VAT is sought only after errors.
            if ((track_.flags & udf_track_flags::kEarlierVatRetry) != 0 ||
                !state_.directoriesEnabled || state_.filesRead != 0 || found != 0 ||
                !state_.structureErrors) {
                if (UsedBlockBitmap() != nullptr &&
                    (state_.structureErrors || Options().intensiveUdfScan != 0)) {
                    // The scan's overlap pass reads file entries relative to
                    // the track's partition start.
                    track_.partitionStart = PartitionStart();
                    IntensiveUdfScan(*track_.root, state_.partitionStart, buffer_);
                }
                break;
            }
            // A VAT disc of which no file could be read: the last session's
            // VAT may be the damaged part, so an earlier one is tried.
            if (DebugOn()) {
                DebugLog("Trying to locate prior VAT due to errors...");
            }
            state_.structureErrors = false;
            track_.flags |= udf_track_flags::kEarlierVatRetry;
            FreeFileTree(track_.root);
            track_.root = nullptr;
        }
        return track_.root != nullptr;
    }

    // Steps from the allocation information to the root node; false when
    // the track holds no usable UDF volume after all.
    bool ReadRoot() {
        Pass pass = Pass::Repeat;
        for (int round = 0; round < kMaxAllocationPasses && pass == Pass::Repeat; ++round) {
            const Allocation allocation = FindAllocation();
            if (allocation == Allocation::IsoBridge) {
                return false;
            }
            pass = allocation == Allocation::Found ? FindFileSet() : Pass::RootAlone;
        }
        if (pass == Pass::GiveUp || pass == Pass::Repeat) {
            return false;
        }
        FileNode* root = MakeRoot();
        if (root == nullptr) {
            return false;
        }
        if (pass == Pass::Root && !state_.structureErrors) {
            state_.directoriesRead = {rootBlock_};
            ClearFoldersLeftUnread();
            root->firstChild = ReadUdfDirectory(*root, rootEntry_);
        }
        RetryWithoutChecksums(*root, pass == Pass::Root);
        return true;
    }

    Allocation FindAllocation() {
        if (state_.type2Map || descriptors_.readOnly) {
            state_.directoriesEnabled = true;
            return Allocation::Found;
        }
        if (FindVat(buffer_, track_, state_.partitionStart, false)) {
            return Allocation::Found;
        }
        if ((track_.flags & udf_track_flags::kEarlierVatRetry) == 0 &&
            IsIsoBridge(track_, buffer_)) {
            if (DebugOn()) {
                DebugLog("Switching to ISO-9660 directory");
            }
            return Allocation::IsoBridge;
        }
        if (FindVat(buffer_, track_, state_.partitionStart, true)) {
            return Allocation::Found;
        }
        if (HoldsPlainFileSet()) {
            return Allocation::Found;
        }
        if (CdDevice* device = Device()) {
            device->cancelled = 0;
        }
        track_.flags |= track_flags::kUdfAllocationNotFound;
        state_.directoriesEnabled = false;
        state_.structureErrors = true;
        rootBlock_ = 0;
        return Allocation::NotFound;
    }

    // A partition written in place needs no VAT: its file set lies where
    // the logical volume says, untranslated.
    bool HoldsPlainFileSet() {
        const std::int32_t block = TranslateUdfBlock(descriptors_.fileSetLocation, 1);
        if (!descriptors_.writtenInPlace || state_.map.kind != MapTable::Kind::None ||
            !ReadBlocks(block, buffer_) || !IsFileSet(buffer_)) {
            return false;
        }
        if (DebugOn()) {
            DebugLog("No VAT found, reading the partition as a plain one");
        }
        track_.udfStatus = 0;
        state_.directoriesEnabled = true;
        return true;
    }

    Pass FindFileSet() {
        StatusText(173, track_.track, descriptors_.label);
        if (state_.map.kind != MapTable::Kind::None) {
            state_.directoriesEnabled = true;
        }
        std::int32_t block = MarkBlockUsed(TranslateUdfBlock(descriptors_.fileSetLocation, 1));
        if (block == 0) {
            const TrackInfo* next = NextTrack(track_);
            block = FindFileSetDescriptor(descriptors_.lastBlockRead,
                                          (next != nullptr ? next->end : track_.end) - 1, buffer_);
            if (block == 0 && track_.track <= 1) {
                if (DebugOn()) {
                    DebugLog("No file descriptor found, nothing to process here");
                }
                return Pass::GiveUp;
            }
        }
        if (!ReadBlocks(block, buffer_)) {
            state_.structureErrors = true;
            rootBlock_ = 0;
            return Pass::RootAlone;
        }
        Dump(buffer_, "File Set Descriptor");
        if (IsFileSet(buffer_)) {
            return TakeFileSet();
        }
        const std::int32_t first = TranslateUdfBlock(1, 1);
        if (first >= state_.partitionStart && first < state_.volumeEnd &&
            ReadBlocks(first, buffer_) && IsValidTag(buffer_, tag::kFileIdentifier)) {
            if (DebugOn()) {
                DebugLog("Invalid FSD, able to read root at %d, continuing.", first);
            }
            rootBlock_ = first;
            std::copy(buffer_.begin(), buffer_.end(), rootEntry_.begin());
            return Pass::Root;
        }
        if (ReadBlocks(TranslateUdfBlock(descriptors_.fileSetLocation, 0), buffer_) &&
            IsFileSet(buffer_)) {
            return TakeFileSet();
        }
        if ((track_.flags & udf_track_flags::kEarlierVatRetry) != 0) {
            state_.filesRead = 1;
            track_.flags &= ~udf_track_flags::kEarlierVatRetry;
            state_.structureErrors = true;
            return Pass::Repeat;
        }
        if (FindFileSetDescriptor(state_.partitionStart - 1, state_.volumeEnd - 1, buffer_) == 0) {
            return Pass::GiveUp;
        }
        return TakeFileSet();
    }

    // The file set descriptor is in the buffer.
    Pass TakeFileSet() {
        if (TagId(buffer_) == tag::kCompressedFileSet) {
            track_.flags |= udf_track_flags::kCompressedFileSet;
        }
        const std::int32_t logical = Block32(buffer_, file_set_field::kRootBlock);
        const std::uint16_t reference = Le16(buffer_, file_set_field::kRootPartition);
        rootBlock_ = MarkBlockUsed(TranslateUdfBlock(logical, reference));
        rootSize_ = Le32(buffer_, file_set_field::kRootLength);
        rootDate_ = UdfTimestampToDate(Tail(buffer_, file_set_field::kRecordingTime));
        if (DebugOn()) {
            DebugLog("Partition starts at %d for %d, Root directory at %d(%d), translated to %d",
                     state_.partitionStart, state_.partitionLength, logical, reference, rootBlock_);
        }
        if (rootBlock_ < state_.partitionStart || rootBlock_ >= state_.volumeEnd ||
            !ReadEntryBlock(rootBlock_, rootEntry_)) {
            state_.structureErrors = true;
            return Pass::RootAlone;
        }
        return Pass::Root;
    }

    FileNode* MakeRoot() {
        SetCurrentVolumeLabel(descriptors_.label);
        const FormatArg args[] = {FormatArg(descriptors_.label), FormatArg(track_.session)};
        const std::string name = FormatText("\\ %s (Session %d)", args, kRootNameRoom);
        FileNode* root = NewFileNode(name, true, __FILE__, __LINE__);
        if (root == nullptr) {
            return nullptr;
        }
        root->track = &track_;
        root->startBlock = rootBlock_;
        root->size = rootSize_;
        root->recordingDate = rootDate_;
        root->reserved1 = static_cast<std::uint32_t>(rootBlock_);
        root->reserved2 = static_cast<std::uint32_t>(descriptors_.logicalVolumeBlock);
        root->flags = node_flags::kDirectory;
        track_.root = root;
        return root;
    }

    void RetryWithoutChecksums(FileNode& root, bool rootReadable) {
        if (!state_.checksumError) {
            return;
        }
        if (DebugOn()) {
            DebugLog("Checksum error in UDF file entries, recycling...FileCount=%d, bIgnCkSum=%d",
                     state_.filesRead, state_.ignoreChecksums);
        }
        if (state_.filesRead != 0 || state_.ignoreChecksums) {
            return;
        }
        track_.flags |= track_flags::kUdfChecksumsIgnored;
        state_.checksumError = false;
        state_.structureErrors = false;
        state_.ignoreChecksums = true;
        FreeTreeKeepingTable(root.firstChild);
        root.firstChild = nullptr;
        root.count = 0;
        if (rootReadable) {
            state_.directoriesRead = {rootBlock_};
            ClearFoldersLeftUnread();
            root.firstChild = ReadUdfDirectory(root, rootEntry_);
        }
    }

    TrackInfo& track_;
    std::span<std::uint8_t, 2048> buffer_;
    ReaderState& state_;
    VolumeDescriptors descriptors_;
    std::array<std::uint8_t, 2048> rootEntry_{};
    std::int32_t rootBlock_ = 0;
    std::uint32_t rootSize_ = 0;
    std::array<std::uint8_t, 7> rootDate_{};
};

}  // namespace

bool ReadUdfVolume(TrackInfo& track, std::span<std::uint8_t, 2048> buffer) {
    if (DebugOn()) {
        DebugLog("Checking for UDF filesystem on track %d", track.track);
    }
    FreeUdfTable();
    ResetState(track);
    if (!AllocateUsedBlockBitmap(State().discEnd)) {
        ShowMessage(179);
    }
    const bool made = VolumeReading(track, buffer).Run();
    if (made) {
        ReportFoldersLeftUnread(track, State().foldersLeftUnread, State().firstFolderLeftUnread);
    }
    track.partitionStart = PartitionStart();
    FreeUsedBlockBitmap();
    FreeUdfTable();
    return made;
}

}  // namespace kel::diag
