// Ticons: the pictures of the drive tiles. One picture per disc class and one
// per other drive kind, drawn once when the icon form is made and handed out
// as shared copies, so asking again and again never adds an image.
//
// Needs a running QGuiApplication (QApplication) while it lives.
#pragma once

#include <QPixmap>
#include <array>
#include <cstdint>

#include "frontend/common/disc_classification.h"
#include "frontend/common/drive_server_client.h"

namespace kel::frontend {

inline constexpr int kIconSize = 46;

// The pictures of OtherImageList, by their index.
enum OtherIconIndex : int {
    kIconFloppy = 0,
    kIconHardDisk = 1,
    kIconRemovable = 2,
    kIconNetwork = 3,
    kIconReading = 4,
    kIconCdDrive = 5,
};

class Ticons {
public:
    // `probe` decides the folder tests of the classification; empty: the
    // folders are looked for through the drive letters.
    explicit Ticons(DriveServerClient& client, DirectoryProbe probe = {});

    // Classifies the disc in server device `device`, keeps the results and
    // returns the picture of its class.
    QPixmap MakeDriveIcon(int device);
    // The picture of another drive kind; an index outside the list gives the
    // CD drive picture.
    QPixmap MakeOtherIcon(int index) const;
    // Classifies and keeps the results without a picture; returns the class.
    std::int16_t ClassifyAndKeep(int device);

    // The picture of a disc class; a class outside 0..8 gives that of 8.
    QPixmap CdImage(int discClass) const;

    // What the last classification found: class, type text, volume label,
    // data size, audio and data track counts, audio extent.
    const DiscClassification& Disc() const { return disc_; }

private:
    DriveServerClient& client_;
    DirectoryProbe probe_;
    DiscClassification disc_;
    std::array<QPixmap, 9> CDImageList;
    std::array<QPixmap, 6> OtherImageList;
};

}  // namespace kel::frontend
