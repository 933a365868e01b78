// The program's own pictures: the toolbar and window icons (SVG resources), and the banner and
// splash pictures, which are drawn here so they scale with the strip they fill.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace kestrune {

enum class BannerPicture { Start, SingleItem, Category, Shop, Settings, Help };

// Icon of toolbar button n (1 to 7).
QIcon toolbarIcon(int n);
// The same picture in one colour, for light backgrounds.
QPixmap toolbarPicture(int n, int size, const QColor& colour);
QIcon programIcon();
QPixmap questionPicture(int size);
QPixmap bannerPicture(BannerPicture picture, QSize size);
QPixmap splashPicture(QSize size);
// A page that ships inside the program ("start.html", "help.html"), as HTML text.
QString shippedPage(const QString& name);

}  // namespace kestrune
