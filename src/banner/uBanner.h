#pragma once

// uBanner: the rotating banner strip under the bookmark list.
//
// Four 600 x 64 pictures ("BANNER0".."BANNER3" in the program's resources) are
// shown in the order 0, 1, 2, 3, 0, ... ; a click opens the address that belongs
// to the picture shown. The main window owns the label (bannerImage), the 10-second
// timer (bannerTimer), the strip (bannerPanel) and the number of the picture shown,
// and drives them:
//
//   at start and on each tick:  ShowNextBanner(bannerImage, Index);
//   a click on the picture:     ShellOpen(BannerURL(Index));
//   the strip resized:          bannerImage->move(BannerLeft(bannerPanel->width(), ...), 0);

#include <QImage>
#include <QString>

#include <array>

class QLabel;

// The address opened by a click on banner picture i: pages of the program's own
// web site (the product page addresses live with the windows that show them).
inline const std::array<QString, 4> BannerURLs = {
    QStringLiteral("https://zorvel.example.org/"),
    QStringLiteral("https://zorvel.example.org/download/"),
    QStringLiteral("https://zorvel.example.org/features/"),
    QStringLiteral("https://zorvel.example.org/tools/"),
};

inline constexpr int BannerCount = 4;
inline constexpr int BannerWidth = 600;
inline constexpr int BannerHeight = 64;

// Picture `index` ("BANNER<index>") loaded through the image library; a null
// image when the resource is missing or cannot be decoded.
QImage BannerPicture(int index);

// `Index` is the number of the picture shown, 0..3, or -1 before the first one.

// Advances Index (3 wraps to 0) and returns the new picture (null if it could not
// be loaded).
QImage NextBannerPicture(int& Index);

// Advances Index and shows the new picture in `Image` at once; a picture that
// cannot be loaded leaves the label empty until the next one.
void ShowNextBanner(QLabel* Image, int& Index);

// Address of picture Index; empty before the first picture.
QString BannerURL(int Index);

// Left edge that centres an image of `imageWidth` in a strip of `panelWidth`:
// the half of the difference, an exact half going to the even neighbour
// (761 -> 80, 762 -> 81, 763 -> 82); negative when the strip is narrower.
int BannerLeft(int panelWidth, int imageWidth = BannerWidth);
