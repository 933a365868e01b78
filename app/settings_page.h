// The "配置" page: the controls of the user's options, their loading from and saving to
// options/options.ini, and the attribute mapping list. Every change to a control goes into the
// shared SettingsSnapshot at once, so a run reads what the page shows, saved or not.
#pragma once

#include <QWidget>
#include <filesystem>

#include "acquire/settings.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace kestrune {

class UserDialogs;

class SettingsPage : public QWidget {
  Q_OBJECT

 public:
  SettingsPage(SettingsSnapshot& snapshot, std::filesystem::path settingsFile, QWidget* parent = nullptr);

  void setDialogs(UserDialogs* dialogs) { dialogs_ = dialogs; }

  // The stored options as the controls show them (memory-only fields left at their defaults).
  Settings controlSettings() const;

  QCheckBox* downloadDescriptionPictures() const { return downloadPictures_; }
  QCheckBox* customSalePropsToStandard() const { return customSaleProps_; }
  QRadioButton* linkModeButton(LinkMode mode) const;
  QLineEdit* replacementLink() const { return replacementLink_; }
  QPlainTextEdit* attributeMappingList() const { return mappingList_; }
  QLineEdit* sourceAttributeName() const { return sourceName_; }
  QLineEdit* targetAttributeName() const { return targetName_; }
  QPushButton* addMappingButton() const { return addMappingButton_; }
  QRadioButton* businessAssistantButton() const { return businessAssistant_; }
  QRadioButton* taobaoAssistantButton() const { return taobaoAssistant_; }
  QCheckBox* loginPromptShown() const { return loginPromptShown_; }
  QPushButton* saveButton() const { return saveButton_; }

 public slots:
  // Reads options.ini into the controls and sets the run's OutputKind.
  void loadSettings();
  // "保存配置".
  void saveSettings();
  // "添加一个新属性匹配".
  void addAttributeMapping();

 private:
  void showControlSettings(const Settings& settings);
  // Copies the controls into the snapshot.
  void publish();

  SettingsSnapshot& snapshot_;
  std::filesystem::path settingsFile_;
  UserDialogs* dialogs_ = nullptr;
  bool showing_ = false;

  QCheckBox* downloadPictures_;
  QCheckBox* customSaleProps_;
  QRadioButton* keepLinks_;
  QRadioButton* removeLinks_;
  QRadioButton* replaceLinks_;
  QLineEdit* replacementLink_;
  QPlainTextEdit* mappingList_;
  QLineEdit* sourceName_;
  QLineEdit* targetName_;
  QPushButton* addMappingButton_;
  QRadioButton* businessAssistant_;
  QRadioButton* taobaoAssistant_;
  QCheckBox* loginPromptShown_;
  QPushButton* saveButton_;
};

}  // namespace kestrune
