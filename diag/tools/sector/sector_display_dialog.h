// The "Sector Display" dialog: a sector number (or MSF address) to type, a
// spin control to step through the disc, and the list of the sector's
// lines. Its width stays fixed; its height is the user's.
#pragma once

#include <QDialog>
#include <QFont>
#include <QTimer>
#include <cstdint>
#include <span>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollBar;

namespace kel::diag {

class CdDevice;

inline constexpr std::size_t kSectorBufferBytes = 2352;

struct SectorDisplaySetup {
    std::int32_t current = 0;
    std::span<std::uint8_t, kSectorBufferBytes> buffer;
    QFont font;
    int lineHeight = 1;
    // The display switched the drive to CD-DA reads for the disc's audio.
    bool cddaReads = false;
};

class SectorDisplayDialog : public QDialog {
    Q_OBJECT

public:
    SectorDisplayDialog(QWidget* owner, const SectorDisplaySetup& setup);

    // Reads the current sector and fills the list from it.
    void ShowSector();
    std::int32_t currentSector() const { return current_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void EnterPressed();
    void SpinAction(int action);
    void restoreInput();
    bool inValidRange(std::int64_t block) const;
    void fitListToHeight();
    bool readCurrentSector(CdDevice& device);

    std::int32_t current_;
    std::span<std::uint8_t, kSectorBufferBytes> buffer_;
    std::int32_t validFirst_ = 0;
    std::int32_t validEnd_ = 0;
    bool cddaReads_ = false;
    QLineEdit* sector_ = nullptr;
    QScrollBar* spin_ = nullptr;
    QLabel* msf_ = nullptr;
    QCheckBox* rawMode_ = nullptr;
    QPushButton* close_ = nullptr;
    QListWidget* lines_ = nullptr;
    QTimer resizeTimer_;
    int rememberedWidth_ = 0;
    int listBottomMargin_ = 0;
};

}  // namespace kel::diag
