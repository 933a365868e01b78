#include "app/artwork.h"

#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

// The resources live in a static library; referencing the initialiser keeps the linker from
// dropping them.
static void initShellResources() { Q_INIT_RESOURCE(shell); }

namespace kestrune {
namespace {

void ensureResources() {
  static const bool done = (initShellResources(), true);
  (void)done;
}

const char* iconName(int n) {
  static const char* names[] = {"start", "single", "list", "shop", "settings", "help", "exit"};
  return n >= 1 && n <= 7 ? names[n - 1] : "program";
}

QString iconPath(const char* name) { return QStringLiteral(":/shell/%1.svg").arg(QLatin1String(name)); }

QIcon bannerIcon(BannerPicture picture) {
  switch (picture) {
    case BannerPicture::Start: return toolbarIcon(1);
    case BannerPicture::SingleItem: return toolbarIcon(2);
    case BannerPicture::Category: return toolbarIcon(3);
    case BannerPicture::Shop: return toolbarIcon(4);
    case BannerPicture::Settings: return toolbarIcon(5);
    case BannerPicture::Help: return toolbarIcon(6);
  }
  return programIcon();
}

QString bannerTitle(BannerPicture picture) {
  switch (picture) {
    case BannerPicture::Start: return QStringLiteral("欢迎使用");
    case BannerPicture::SingleItem: return QStringLiteral("单个采集");
    case BannerPicture::Category: return QStringLiteral("列表采集");
    case BannerPicture::Shop: return QStringLiteral("店铺采集");
    case BannerPicture::Settings: return QStringLiteral("下载配置");
    case BannerPicture::Help: return QStringLiteral("使用帮助");
  }
  return {};
}

}  // namespace

QIcon toolbarIcon(int n) {
  ensureResources();
  return QIcon(iconPath(iconName(n)));
}

QPixmap toolbarPicture(int n, int size, const QColor& colour) {
  QPixmap picture = toolbarIcon(n).pixmap(size, size);
  QPainter painter(&picture);
  painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
  painter.fillRect(picture.rect(), colour);
  return picture;
}

QIcon programIcon() {
  ensureResources();
  return QIcon(iconPath("program"));
}

QPixmap questionPicture(int size) {
  ensureResources();
  return QIcon(iconPath("question")).pixmap(size, size);
}

// A light strip with the mode's icon on a coloured tab at the left; the banner's text is drawn
// by its own label from x 160 on, so the picture leaves that part quiet.
QPixmap bannerPicture(BannerPicture picture, QSize size) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient background(0, 0, 0, size.height());
  background.setColorAt(0, QColor(0xf4, 0xf8, 0xfc));
  background.setColorAt(1, QColor(0xdc, 0xe8, 0xf4));
  painter.fillRect(pixmap.rect(), background);
  painter.setPen(QColor(0xb4, 0xc8, 0xdc));
  painter.drawLine(0, size.height() - 1, size.width(), size.height() - 1);

  QPainterPath tab;
  tab.moveTo(0, 0);
  tab.lineTo(140, 0);
  tab.lineTo(152, size.height() / 2.0);
  tab.lineTo(140, size.height());
  tab.lineTo(0, size.height());
  tab.closeSubpath();
  QLinearGradient tabColour(0, 0, 0, size.height());
  tabColour.setColorAt(0, QColor(0x3d, 0x8f, 0xd6));
  tabColour.setColorAt(1, QColor(0x1f, 0x5f, 0x9e));
  painter.fillPath(tab, tabColour);

  int iconSize = size.height() - 10;
  bannerIcon(picture).paint(&painter, QRect(14, 5, iconSize, iconSize));
  QFont font = painter.font();
  font.setBold(true);
  font.setPointSizeF(10);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRect(20 + iconSize, 0, 120 - iconSize, size.height()), Qt::AlignVCenter | Qt::AlignLeft,
                   bannerTitle(picture));
  return pixmap;
}

QPixmap splashPicture(QSize size) {
  QPixmap pixmap(size);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient background(0, 0, size.width(), size.height());
  background.setColorAt(0, QColor(0x2a, 0x7b, 0xc6));
  background.setColorAt(1, QColor(0x12, 0x3d, 0x6b));
  painter.fillRect(pixmap.rect(), background);

  // A light trellis in the background.
  painter.setPen(QPen(QColor(255, 255, 255, 28), 2));
  for (int x = -size.height(); x < size.width(); x += 28) {
    painter.drawLine(x, size.height(), x + size.height(), 0);
    painter.drawLine(x, 0, x + size.height(), size.height());
  }

  int iconSize = 96;
  programIcon().paint(&painter, QRect(36, (size.height() - iconSize) / 2 - 10, iconSize, iconSize));
  QFont title = painter.font();
  title.setPointSizeF(20);
  title.setBold(true);
  painter.setFont(title);
  painter.setPen(Qt::white);
  painter.drawText(QRect(150, 70, size.width() - 160, 44), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("KestruneTrellisor"));
  QFont subtitle = painter.font();
  subtitle.setPointSizeF(11);
  subtitle.setBold(false);
  painter.setFont(subtitle);
  painter.setPen(QColor(0xdc, 0xeb, 0xfa));
  painter.drawText(QRect(152, 116, size.width() - 160, 60), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                   QStringLiteral("1688 宝贝一键复制\n生成淘宝助理 / 商机助理数据包"));
  return pixmap;
}

QString shippedPage(const QString& name) {
  ensureResources();
  QFile file(QStringLiteral(":/shell/") + name);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

}  // namespace kestrune
