#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextBrowser>
#include <QUrl>
#include <QWebEngineView>

#include "app/address_box.h"
#include "app/item_list_panel.h"
#include "app/log_box.h"
#include "app/page_toolbar.h"
#include "app/settings_page.h"
#include "app/shell_windows.h"
#include "app/widget_dialogs.h"

namespace kestrune {
namespace {

const char* const Caption = "KestruneTrellisor V2.18";

// What the uncaptioned button beside the list puts into the address box: a shop home page, to
// show the form of address that shop mode takes.
const char* const SampleShopAddress = "https://shop1234567890.1688.com/";

const char* const Introduction =
    "KestruneTrellisor 把 1688 批发网的宝贝复制成淘宝助理 5.X 或阿里巴巴商机助理的导入数据包："
    "标题、类目、属性、价格和 SKU、库存、描述和全部图片。五个线程同时下载，网络等待互相重叠，"
    "一次可复制多达 1000 个宝贝。\n\n"
    "只需两步：先在“单个采集”、“列表采集”或“店铺采集”中粘贴地址，点“添加到列表”；"
    "再点“生成数据包”。完成后把数据包导入淘宝助理或商机助理即可。\n\n"
    "使用条款：请只复制您有权使用的商品资料（例如您自己的货源或已获供货商授权的商品），"
    "并遵守各平台的规则。本软件按现状提供，生成的数据请在上传前自行检查。";

}  // namespace

MainWindow::MainWindow(ShellContext context, QWidget* parent)
    : QMainWindow(parent), context_(std::move(context)), ownDialogs_(std::make_unique<WidgetDialogs>(this)) {
  dialogs_ = ownDialogs_.get();
  setObjectName(QStringLiteral("mainWindow"));
  setWindowTitle(QString::fromUtf8(Caption));
  setWindowIcon(programIcon());
  move(50, 50);

  auto* client = new QWidget(this);
  setCentralWidget(client);

  toolbar_ = new PageToolbar(client);
  toolbar_->setGeometry(0, 0, 736, 64);
  connect(toolbar_, &PageToolbar::buttonClicked, this, &MainWindow::selectPage);
  auto* topLine = new QFrame(client);
  topLine->setFrameShape(QFrame::HLine);
  topLine->setFrameShadow(QFrame::Plain);
  topLine->setGeometry(0, 64, 736, 1);
  topLine->setStyleSheet(QStringLiteral("color: #0f355c;"));

  bannerPicture_ = new QLabel(client);
  bannerPicture_->setObjectName(QStringLiteral("modeBanner"));
  bannerPicture_->setGeometry(-1, 65, 704, 38);
  bannerText_ = new QLabel(bannerPicture_);
  bannerText_->setObjectName(QStringLiteral("modeBannerText"));
  bannerText_->setGeometry(160, 10, 528, 24);
  bannerText_->setAttribute(Qt::WA_TranslucentBackground);
  bannerText_->setStyleSheet(QStringLiteral("color: #1d3550;"));
  setBanner(BannerPicture::Start, QString());

  tabs_ = new QTabWidget(client);
  tabs_->setObjectName(QStringLiteral("pages"));
  // The toolbar switches the pages; the tabs' own headers would only take room.
  tabs_->tabBar()->hide();
  tabs_->setDocumentMode(true);
  tabs_->addTab(buildStartPage(), QStringLiteral("开始"));
  tabs_->addTab(buildCollectPage(), QStringLiteral("采集"));
  settingsPage_ = new SettingsPage(context_.settings, settingsFile(context_.home));
  settingsPage_->setObjectName(QStringLiteral("settingsPage"));
  settingsPage_->setDialogs(dialogs_);
  tabs_->addTab(settingsPage_, QStringLiteral("配置"));
  tabs_->addTab(buildHelpPage(), QStringLiteral("帮助"));

  statusBar()->setSizeGripEnabled(false);
  buildSkinSliders(client);
  applyStartUpSize();
}

MainWindow::~MainWindow() = default;

void MainWindow::setDialogs(UserDialogs* dialogs) {
  dialogs_ = dialogs ? dialogs : ownDialogs_.get();
  settingsPage_->setDialogs(dialogs_);
}

std::shared_ptr<LogSink> MainWindow::logSink() const { return logBox_->sink(); }

void MainWindow::appendLog(std::string_view message) const { appendLogLine(logBox_->sink().get(), message); }

QWidget* MainWindow::buildStartPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("startPage"));
  auto* introduction = new QPlainTextEdit(QString::fromUtf8(Introduction), page);
  introduction->setObjectName(QStringLiteral("introduction"));
  introduction->setReadOnly(true);
  introduction->setGeometry(18, 21, 288, 240);
  QWidget* news = htmlView(context_.endpoints.vendorNewsUrl, QStringLiteral("start.html"), page);
  news->setObjectName(QStringLiteral("newsView"));
  news->setGeometry(312, 21, 384, 240);
  return page;
}

QWidget* MainWindow::buildCollectPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("collectPage"));

  addressLabel_ = new QLabel(QStringLiteral("商品地址："), page);
  addressLabel_->setObjectName(QStringLiteral("addressLabel"));
  addressLabel_->setGeometry(7, 2, 116, 30);
  addressLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  addressBox_ = new AddressBox([this] { return intakeMode_; }, page);
  addressBox_->setObjectName(QStringLiteral("addressBox"));
  addressBox_->setGeometry(122, 2, 448, 30);
  addToListButton_ = new QPushButton(QStringLiteral("添加到列表"), page);
  addToListButton_->setObjectName(QStringLiteral("addToListButton"));
  addToListButton_->setGeometry(577, 2, 76, 30);
  loginButton_ = new QPushButton(QStringLiteral("3"), page);
  loginButton_->setObjectName(QStringLiteral("loginButton"));
  loginButton_->setToolTip(QStringLiteral("登陆阿里网站"));
  loginButton_->setGeometry(660, 2, 32, 30);

  auto* savePathLabel = new QLabel(QStringLiteral("保存路径："), page);
  savePathLabel->setGeometry(7, 37, 116, 30);
  savePathLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  savePathBox_ = new QLineEdit(savePathHint(), page);
  savePathBox_->setObjectName(QStringLiteral("savePathBox"));
  savePathBox_->setGeometry(122, 37, 449, 30);
  changePathButton_ = new QPushButton(QStringLiteral("更改"), page);
  changePathButton_->setObjectName(QStringLiteral("changePathButton"));
  changePathButton_->setGeometry(578, 37, 76, 30);

  listPanel_ = new ItemListPanel(context_.items, page);
  listPanel_->setGeometry(7, 73, 687, 248);

  auto* logFrame = new QGroupBox(QStringLiteral("操作记录"), page);
  logFrame->setObjectName(QStringLiteral("logFrame"));
  logFrame->setGeometry(7, 326, 688, 136);
  logBox_ = new LogBox(logFrame);
  logBox_->setGeometry(1, 23, 686, 111);

  connect(addToListButton_, &QPushButton::clicked, this, &MainWindow::addToListRequested);
  connect(loginButton_, &QPushButton::clicked, this, &MainWindow::loginRequested);
  connect(changePathButton_, &QPushButton::clicked, this, &MainWindow::choosePackagePath);
  connect(savePathBox_, &QLineEdit::textChanged, this, &MainWindow::publishSavePath);
  connect(listPanel_, &ItemListPanel::generateRequested, this, &MainWindow::generateRequested);
  connect(listPanel_, &ItemListPanel::pauseRequested, this, &MainWindow::pauseRequested);
  connect(listPanel_, &ItemListPanel::stopRequested, this, &MainWindow::stopRequested);
  connect(listPanel_, &ItemListPanel::importListRequested, this, &MainWindow::importListRequested);
  connect(listPanel_, &ItemListPanel::exportListRequested, this, &MainWindow::exportListRequested);
  connect(listPanel_, &ItemListPanel::spreadsheetRequested, this, &MainWindow::spreadsheetRequested);
  connect(listPanel_, &ItemListPanel::completionWindowRequested, this, &MainWindow::completionWindowRequested);
  connect(listPanel_, &ItemListPanel::sampleShopRequested, this,
          [this] { addressBox_->setText(QString::fromUtf8(SampleShopAddress)); });
  publishSavePath();
  return page;
}

QWidget* MainWindow::buildHelpPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("helpPage"));
  QWidget* help = htmlView(context_.endpoints.vendorHelpUrl, QStringLiteral("help.html"), page);
  help->setObjectName(QStringLiteral("helpView"));
  help->setGeometry(1, 28, 700, 440);
  return page;
}

// The vendor's page when one is configured, else the page that ships with the program (shown
// without a browser engine, so the program starts quickly and works offline).
QWidget* MainWindow::htmlView(const std::string& url, const QString& shippedPageName, QWidget* parent) {
  if (!url.empty()) {
    auto* view = new QWebEngineView(parent);
    view->load(QUrl::fromUserInput(toQt(url)));
    return view;
  }
  auto* view = new QTextBrowser(parent);
  view->setOpenExternalLinks(true);
  view->setHtml(shippedPage(shippedPageName));
  return view;
}

void MainWindow::buildSkinSliders(QWidget* parent) {
  // Outside the visible part of the window: they tune the skin and nothing else.
  SkinAdjustment initial;
  auto makeSlider = [&](int y, int maximum, int position, const char* name) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(QString::fromLatin1(name));
    slider->setGeometry(760, y, 100, 20);
    slider->setRange(1, maximum);
    slider->setValue(position);
    connect(slider, &QSlider::valueChanged, this, [this] {
      if (auto* application = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        applySkin(*application, skinAdjustment());
      }
    });
    return slider;
  };
  hueSlider_ = makeSlider(120, 361, hueSliderPosition(initial.hue), "hueSlider");
  saturationSlider_ = makeSlider(150, 201, amountSliderPosition(initial.saturation), "saturationSlider");
  brightnessSlider_ = makeSlider(180, 201, amountSliderPosition(initial.brightness), "brightnessSlider");
}

SkinAdjustment MainWindow::skinAdjustment() const {
  return {hueFromSlider(hueSlider_->value()), amountFromSlider(saturationSlider_->value()),
          amountFromSlider(brightnessSlider_->value())};
}

QString MainWindow::savePathHint() {
  return QStringLiteral("点‘更改’可设置数据包保存位置，如不设置，默认保存在桌面！");
}

PackageLocation MainWindow::packageLocation() const {
  auto settings = context_.settings.current();
  return {fromQt(savePathBox_->text()), settings.outputFolder, settings.packageBaseName};
}

void MainWindow::applyStartUpSize() {
  setFixedSize(ClientWidth, ClientHeight);
  tabs_->setGeometry(-3, 107, 702, TabHeight);
}

void MainWindow::createTrayIcon() {
  if (trayIcon_) return;
  trayMenu_ = new QMenu(QStringLiteral("系统菜单"), this);
  trayMenu_->setObjectName(QStringLiteral("trayMenu"));
  connect(trayMenu_->addAction(QStringLiteral("退出程序")), &QAction::triggered, this, &MainWindow::openExitConfirm);
  trayIcon_ = new QSystemTrayIcon(programIcon(), this);
  trayIcon_->setObjectName(QStringLiteral("trayIcon"));
  trayIcon_->setToolTip(windowTitle().left(127));
  trayIcon_->setContextMenu(trayMenu_);
  connect(trayIcon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::DoubleClick) restoreFromTray();
  });
  // Qt adds the icon again by itself when the taskbar or the tray host restarts.
  trayIcon_->show();
}

void MainWindow::restoreFromTray() {
  showNormal();
  raise();
  activateWindow();
}

void MainWindow::setBanner(BannerPicture picture, const QString& text) {
  banner_ = picture;
  bannerPicture_->setPixmap(kestrune::bannerPicture(picture, bannerPicture_->size()));
  bannerText_->setText(text);
}

void MainWindow::selectPage(int n) {
  switch (n) {
    case 1:
      tabs_->setCurrentIndex(0);
      setBanner(BannerPicture::Start, QString());
      break;
    case 2:
      tabs_->setCurrentIndex(1);
      setBanner(BannerPicture::SingleItem,
                QStringLiteral("【单个模式】 就是指定采集一个点宝贝 输入该宝贝地址即可进行采集 可以添加多个"));
      switchMode(QStringLiteral("单品"), QStringLiteral("宝贝地址："));
      break;
    case 3:
      tabs_->setCurrentIndex(1);
      setBanner(BannerPicture::Category,
                QStringLiteral("【列表模式】 就是仅仅采集某个店铺的一个分类 输入分类的网页地址即可进行采集"));
      switchMode(QStringLiteral("列表"), QStringLiteral("列表地址："));
      break;
    case 4:
      tabs_->setCurrentIndex(1);
      setBanner(BannerPicture::Shop,
                QStringLiteral("【店铺模式】 就是采集整个店铺的所有宝贝 只需输入店铺的首页地址即可进行采集"));
      switchMode(QStringLiteral("店铺"), QStringLiteral("店铺地址："));
      break;
    case 5:
      tabs_->setCurrentIndex(2);
      setBanner(BannerPicture::Settings, QStringLiteral("可以对采集的一些信息进行设置"));
      break;
    case 6:
      tabs_->setCurrentIndex(3);
      setBanner(BannerPicture::Help, QString());
      break;
    case 7:
      openExitConfirm();
      return;
    default:
      return;
  }
  toolbar_->setCurrentButton(n);
}

void MainWindow::switchMode(const QString& mode, const QString& label) {
  addressLabel_->setText(label);
  // Choosing the mode already active keeps what the user typed.
  if (intakeMode_ != mode) addressBox_->setText(AddressBox::hintFor(mode));
  intakeMode_ = mode;
}

void MainWindow::publishSavePath() {
  std::string text = fromQt(savePathBox_->text());
  context_.settings.update([&text](Settings& settings) { settings.savePath = text; });
}

void MainWindow::choosePackagePath() {
  auto chosen = dialogs_->chooseSaveFile("数据包保存位置", "逗号分隔符文件(*.csv)", "csv");
  if (!chosen) return;
  auto location = chosenPackageLocation(fromQt(QDir::toNativeSeparators(pathToQt(*chosen))));
  savePathBox_->setText(toQt(location.packagePath));
  context_.settings.update([&location](Settings& settings) {
    settings.outputFolder = location.outputFolder;
    settings.packageBaseName = location.packageBaseName;
  });
  if (location.packageBaseName.empty()) {
    dialogs_->message("请检查文件名是否正确！", "提示");
    savePathBox_->clear();
  }
}

void MainWindow::openExitConfirm() {
  if (exitConfirm_) {
    exitConfirm_->raise();
    exitConfirm_->activateWindow();
    return;
  }
  ExitConfirmWindow confirm(isVisible() ? this : nullptr);
  exitConfirm_ = &confirm;
  bool confirmed = confirm.exec() == QDialog::Accepted;
  exitConfirm_ = nullptr;
  if (confirmed) emit exitConfirmed();
}

void MainWindow::setRunControls(RunControls state) {
  bool idle = state == RunControls::Idle;
  bool running = state == RunControls::Running;
  listPanel_->generateButton()->setEnabled(!running);
  listPanel_->pauseButton()->setEnabled(running);
  listPanel_->stopButton()->setEnabled(running);
  for (QWidget* control : std::initializer_list<QWidget*>{
           addToListButton_, listPanel_->importButton(), changePathButton_, listPanel_->listView(),
           listPanel_->deleteButton(), listPanel_->clearButton()}) {
    control->setEnabled(idle);
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  bool trayAvailable = trayAvailable_ ? *trayAvailable_ : QSystemTrayIcon::isSystemTrayAvailable();
  if (trayAvailable && trayIcon_) {
    hide();
  } else {
    openExitConfirm();
  }
}

void MainWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange) toolbar_->update();
  QMainWindow::changeEvent(event);
}

}  // namespace kestrune
