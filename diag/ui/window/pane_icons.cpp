#include "diag/ui/window/pane_icons.h"

#include <QApplication>
#include <QStyle>

#include "diag/ui/window/list_texts.h"

namespace kel::diag {

PaneIcon TreeIconOf(const FileNode& node) {
    return (node.flags & icon_flags::kAlternate) != 0 ? PaneIcon::AlternateFolder
                                                      : PaneIcon::Folder;
}

PaneIcon ListIconOf(const FileNode& node) {
    if (node.startBlock == kBeyondVolume || node.startBlock == kDuplicateEntry) {
        return PaneIcon::Missing;
    }
    if ((node.flags & (icon_flags::kMarkedA | icon_flags::kMarkedB)) != 0) {
        return PaneIcon::Marked;
    }
    const bool alternate = (node.flags & icon_flags::kAlternate) != 0;
    if (IsDirectory(node)) {
        return alternate ? PaneIcon::AlternateFolder : PaneIcon::Folder;
    }
    return alternate ? PaneIcon::AlternateFile : PaneIcon::File;
}

namespace {

QIcon StandardImage(PaneIcon icon) {
    QStyle* style = QApplication::style();
    switch (icon) {
        case PaneIcon::Folder:
            return style->standardIcon(QStyle::SP_DirClosedIcon);
        case PaneIcon::OpenFolder:
            return style->standardIcon(QStyle::SP_DirOpenIcon);
        case PaneIcon::File:
            return style->standardIcon(QStyle::SP_FileIcon);
        case PaneIcon::AlternateFolder:
            return style->standardIcon(QStyle::SP_DirLinkIcon);
        case PaneIcon::AlternateFile:
            return style->standardIcon(QStyle::SP_FileLinkIcon);
        case PaneIcon::Missing:
            return style->standardIcon(QStyle::SP_MessageBoxWarning);
        case PaneIcon::Marked:
            return style->standardIcon(QStyle::SP_MessageBoxCritical);
    }
    return {};
}

// The style's pictures stop at 16 or 32 pixels, and an icon never draws
// larger than its largest picture: the large view gets one drawn to size.
QIcon WithLargePicture(const QIcon& standard) {
    const QSize large(kLargeIconPixels, kLargeIconPixels);
    QIcon icon;
    QSize largest;
    for (const QSize& size : standard.availableSizes()) {
        icon.addPixmap(standard.pixmap(size));
        if (size.width() > largest.width()) {
            largest = size;
        }
    }
    if (largest.width() < large.width()) {
        icon.addPixmap(standard.pixmap(largest.isValid() ? largest : large)
                           .scaled(large, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    return icon;
}

}  // namespace

QIcon PaneIconImage(PaneIcon icon) {
    return WithLargePicture(StandardImage(icon));
}

}  // namespace kel::diag
