#pragma once
// The program's own small pictures, drawn in code so they stay crisp at any
// device pixel ratio:
//   - the tray state images (`ImageList1`): trayStateIcon(0..3),
//   - the menu images (`ImageList2`): menuImage(0..6),
//   - the application icon: applicationIcon().
// Each QIcon holds renders at 16 px and its multiples, so it looks right at 1x
// and 2x. An index outside a list gives a null icon, which draws nothing.
// The tray shell and the popup menu take trayStateIcon and menuImage directly
// as their image sources.

#include <QIcon>
#include <QImage>
#include <QList>

namespace trayimages {

// ImageList1, by meaning.
enum StateImage : int {
    LinkClosed = 0,          // red plug and socket apart
    LinkOpenMonitorOn = 1,   // green plug and socket joined
    LinkOpenFault = 2,       // joined, red disc with a white cross at the lower right (unused)
    LinkOpenMonitorOff = 3,  // joined, small red dot at the upper left
};
inline constexpr int kStateImageCount = 4;

// ImageList2, by the menu item that uses each image.
enum MenuImage : int {
    ExitImage = 0,               // red cross
    OpenImage = 1,               // terminal window: blue title bar, black screen, prompt
    ApplicationWindowImage = 2,  // green application window (unused)
    ProtocolImage = 3,           // green arrow pointing right
    ResetImage = 4,              // red octagon, a stop sign
    MonitorOffImage = 5,         // red disc with a white cross
    MonitorOnImage = 6,          // green check mark
};
inline constexpr int kMenuImageCount = 7;

// The logical size of every list image; the application icon also comes at 32.
inline constexpr int kImageSize = 16;

QIcon trayStateIcon(int index);
QIcon menuImage(int index);
QIcon applicationIcon();

// The two image lists in index order.
QList<QIcon> stateImageList();
QList<QIcon> menuImageList();

// One render of a picture, `logicalSize` px square at `devicePixelRatio`, on a
// transparent ground; a null image for an index outside its list.
QImage renderStateImage(int index, int logicalSize, qreal devicePixelRatio);
QImage renderMenuImage(int index, int logicalSize, qreal devicePixelRatio);
QImage renderApplicationIcon(int logicalSize, qreal devicePixelRatio);

}  // namespace trayimages
