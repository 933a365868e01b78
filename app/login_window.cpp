#include "app/login_window.h"

#include <QApplication>
#include <QLabel>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "app/cookie_bridge.h"
#include "app/main_window.h"

namespace kestrune {

LoginWindow::LoginWindow(const QString& loginUrl, QWidget* parent, QWebEngineProfile* profile)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("浏览器（生成数据包前，登陆一下，可以自动匹配属性）"));
  setFixedSize(596, 471);
  move(50, 50);

  browser_ = new QWebEngineView(this);
  browser_->setPage(new QWebEnginePage(profile ? profile : sharedWebProfile(), browser_));
  browser_->setGeometry(0, 0, 596, 384);

  note_ = new QLabel(this);
  note_->setGeometry(8, 390, 576, 56);
  note_->setAutoFillBackground(false);
  note_->setAttribute(Qt::WA_TranslucentBackground);
  note_->setWordWrap(true);
  note_->setText(QStringLiteral(
      "1.请勿担心安全问题，本页面是阿里官网网页！\n"
      "2.如果担心安全问题，建议使用小号或子账号登陆。\n"
      "3.登陆成功后，关闭该窗口即可！"));

  browser_->setUrl(QUrl(loginUrl));
  // Let the window paint before the page arrives.
  QApplication::processEvents();
}

void openLoginWindow(QWidget* parent, const QString& loginUrl, QWebEngineProfile* profile) {
  LoginWindow window(loginUrl, parent, profile);
  window.setModal(true);
  window.exec();
}

void bindLoginButton(MainWindow& window, const QString& loginUrl) {
  QObject::connect(&window, &MainWindow::loginRequested, &window,
                   [&window, loginUrl] { openLoginWindow(&window, loginUrl); });
}

}  // namespace kestrune
