#include "app/widget_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace kestrune {

QString toQt(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::string fromQt(const QString& text) { return text.toUtf8().toStdString(); }

std::filesystem::path pathFromQt(const QString& path) {
#ifdef _WIN32
  return std::filesystem::path(path.toStdWString());
#else
  return std::filesystem::path(path.toUtf8().toStdString());
#endif
}

QString pathToQt(const std::filesystem::path& path) {
#ifdef _WIN32
  return QString::fromStdWString(path.wstring());
#else
  return QString::fromUtf8(path.string());
#endif
}

void WidgetDialogs::message(const std::string& text, const std::string& title) {
  QMessageBox::information(parent_, toQt(title), toQt(text));
}

bool WidgetDialogs::ask(const std::string& text, const std::string& title) {
  return QMessageBox::question(parent_, toQt(title), toQt(text)) == QMessageBox::Yes;
}

std::optional<std::filesystem::path> WidgetDialogs::chooseSaveFile(const std::string& title,
                                                                   const std::string& filter,
                                                                   const std::string& defaultSuffix) {
  QFileDialog dialog(parent_, toQt(title), QString(), toQt(filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(toQt(defaultSuffix));
  // The caller decides about replacing an existing package; the name alone is asked here.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return pathFromQt(QDir::toNativeSeparators(dialog.selectedFiles().first()));
}

std::optional<std::filesystem::path> WidgetDialogs::chooseOpenFile(const std::string& title,
                                                                   const std::string& filter) {
  QString file = QFileDialog::getOpenFileName(parent_, toQt(title), QString(), toQt(filter));
  if (file.isEmpty()) return std::nullopt;
  return pathFromQt(QDir::toNativeSeparators(file));
}

}  // namespace kestrune
